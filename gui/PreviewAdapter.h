#pragma once
// The preview screen: the file's progress while it arrives, then the file itself: a picture is
// shown in the page, any other file is handed to the desktop's default application.

#include "OverlayScreen.h"

#include "controllers/QuickLookView.h"

#include <QObject>
#include <QUrl>

#include <functional>
#include <memory>

namespace pd {
class QuickLookViewController;
}

namespace pd::gui {

class PreviewAdapter : public QObject, public OverlayScreen<QuickLookView> {
    Q_OBJECT
    Q_PROPERTY(QString title READ title NOTIFY changed)
    Q_PROPERTY(QString icon READ icon NOTIFY changed)
    Q_PROPERTY(QString loadingText READ loadingText NOTIFY changed)
    Q_PROPERTY(double progress READ progress NOTIFY changed)
    Q_PROPERTY(QUrl imageSource READ imageSource NOTIFY changed)
    Q_PROPERTY(QString openedPath READ openedPath NOTIFY changed)

  public:
    // How a document that is not a picture is opened (the desktop's application by default).
    using Opener = std::function<void(const QString& path)>;
    static void setOpener(Opener opener);

    PreviewAdapter(Overlay& overlay, std::shared_ptr<QuickLookViewController> controller);

    Q_INVOKABLE void back();

    QString title() const { return title_; }
    QString icon() const { return icon_; }
    QString loadingText() const { return loadingText_; }
    double progress() const { return progress_; }
    QUrl imageSource() const { return imageSource_; }
    QString openedPath() const { return openedPath_; }

    // QuickLookView
    void setTitle(const std::string& text) override;
    void setIcon(const std::string& image) override;
    void setLoadingText(const std::string& key) override;
    void setProgress(float fraction, bool animated) override;
    void openDocument(const std::string& path) override;
    void closeScreen() override;

  signals:
    void changed();
    void closed();

  private:
    std::shared_ptr<QuickLookViewController> controller_;
    QString title_;
    QString icon_;
    QString loadingText_;
    double progress_ = 0;
    QUrl imageSource_;
    QString openedPath_;
};

}  // namespace pd::gui
