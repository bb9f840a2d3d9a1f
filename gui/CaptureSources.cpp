#include "CaptureSources.h"

#include <QByteArray>
#include <QUrl>
#include <QVariantMap>

namespace pd::gui {

QVariantList captureSources(const std::vector<CaptureImage>& images) {
    QVariantList list;
    for (const CaptureImage& image : images) {
        QString source;
        if (image.placeholder) {
            // Nothing to decode.
        } else if (image.bytes) {
            // The bytes just received: shown even when the file could not be written. The
            // decoder recognises the format from the bytes, whatever the type says.
            const QByteArray bytes(image.bytes->data(),
                                   static_cast<qsizetype>(image.bytes->size()));
            source =
                QStringLiteral("data:image/jpeg;base64,") + QString::fromLatin1(bytes.toBase64());
        } else if (!image.path.empty()) {
            source = QUrl::fromLocalFile(QString::fromStdString(image.path)).toString();
        }
        list << QVariantMap{{"source", source},
                            {"placeholder", image.placeholder || source.isEmpty()}};
    }
    return list;
}

}  // namespace pd::gui
