#pragma once
// The capture history for Qt Quick: one row per stored capture (name and relative time), the
// empty picture, a swipe action that deletes a row, and the viewer a tap opens.

#include "OverlayScreen.h"

#include "controllers/ScreenHistoryView.h"

#include <QObject>
#include <QString>
#include <QVariantList>

#include <memory>

namespace pd {
class ScreenHisTableController;
}

namespace pd::gui {

class CaptureHistoryAdapter : public QObject, public OverlayScreen<ScreenHistoryView> {
    Q_OBJECT
    Q_PROPERTY(QString title READ title NOTIFY changed)
    // One map per row: {"name", "time", "path"}.
    Q_PROPERTY(QVariantList rows READ rows NOTIFY changed)
    Q_PROPERTY(bool emptyVisible READ emptyVisible NOTIFY changed)
    // The viewer's images ({"source", "placeholder"}); empty while it is closed.
    Q_PROPERTY(QVariantList viewerImages READ viewerImages NOTIFY viewerChanged)
    Q_PROPERTY(int viewerStart READ viewerStart NOTIFY viewerChanged)

  public:
    CaptureHistoryAdapter(Overlay& overlay, std::shared_ptr<ScreenHisTableController> controller);

    Q_INVOKABLE void tap(int row);
    // The row's delete action.
    Q_INVOKABLE void remove(int row);
    Q_INVOKABLE void closeViewer();
    Q_INVOKABLE void back();

    const std::shared_ptr<ScreenHisTableController>& controller() const { return controller_; }
    QString title() const { return title_; }
    QVariantList rows() const { return rows_; }
    bool emptyVisible() const { return emptyVisible_; }
    QVariantList viewerImages() const { return viewerImages_; }
    int viewerStart() const { return viewerStart_; }

    // ScreenHistoryView
    void setTitle(const std::string& key) override;
    void reloadRows(const std::vector<ScreenHistoryRow>& rows) override;
    void setEmptyVisible(bool visible) override;
    void closeSwipeActions(std::size_t row) override;
    void openCaptureViewer(const std::vector<CaptureImage>& images, std::size_t start) override;
    void closeScreen() override;

  signals:
    void changed();
    void viewerChanged();
    void swipeClosed(int row);
    void closed();

  private:
    std::shared_ptr<ScreenHisTableController> controller_;
    QString title_;
    QVariantList rows_;
    bool emptyVisible_ = false;
    QVariantList viewerImages_;
    int viewerStart_ = 0;
};

}  // namespace pd::gui
