#include "PreviewAdapter.h"

#include "controllers/QuickLookViewController.h"

#include <QDesktopServices>
#include <QImageReader>

namespace pd::gui {

namespace {

PreviewAdapter::Opener& opener() {
    static PreviewAdapter::Opener open = [](const QString& path) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    };
    return open;
}

}  // namespace

void PreviewAdapter::setOpener(Opener open) {
    opener() = std::move(open);
}

PreviewAdapter::PreviewAdapter(Overlay& overlay,
                               std::shared_ptr<QuickLookViewController> controller)
    : OverlayScreen(overlay), controller_(std::move(controller)) {}

void PreviewAdapter::back() {
    if (auto c = controller_) {
        c->DoBack();
    }
}

void PreviewAdapter::setTitle(const std::string& text) {
    title_ = QString::fromStdString(text);
    emit changed();
}

void PreviewAdapter::setIcon(const std::string& image) {
    icon_ = QString::fromStdString(image);
    emit changed();
}

void PreviewAdapter::setLoadingText(const std::string& key) {
    loadingText_ = displayText(key);
    emit changed();
}

void PreviewAdapter::setProgress(float fraction, bool) {
    progress_ = fraction;
    emit changed();
}

void PreviewAdapter::openDocument(const std::string& path) {
    openedPath_ = QString::fromStdString(path);
    // Decided by content: a picture is shown here whatever its name says.
    if (!QImageReader::imageFormat(openedPath_).isEmpty()) {
        imageSource_ = QUrl::fromLocalFile(openedPath_);
    } else if (opener()) {
        opener()(openedPath_);
    }
    emit changed();
}

void PreviewAdapter::closeScreen() {
    emit closed();
}

}  // namespace pd::gui
