#pragma once
// The About screen for Qt Quick: the controller's rows (the version, the project's page, and
// what the link protects and what it does not), an address row opening its address.

#include "OverlayScreen.h"

#include "controllers/AboutView.h"

#include <QObject>
#include <QString>
#include <QVariantList>

#include <memory>

namespace pd {
class AboutViewController;
}

namespace pd::gui {

class AboutAdapter : public QObject, public OverlayScreen<AboutView> {
    Q_OBJECT
    Q_PROPERTY(QString title READ title NOTIFY changed)
    // {"icon", "text", "url"} per row, in order; "url" is empty for a row that only informs.
    Q_PROPERTY(QVariantList rows READ rows NOTIFY changed)

  public:
    AboutAdapter(Overlay& overlay, std::shared_ptr<AboutViewController> controller);

    Q_INVOKABLE void select(int row);
    Q_INVOKABLE void back();

    QString title() const { return title_; }
    QVariantList rows() const { return rows_; }

    // AboutView
    void setTitle(const std::string& key) override;
    void setRows(const std::vector<AboutRow>& rows) override;
    void openUrl(const std::string& url) override;

  signals:
    void changed();
    void closed();

  private:
    std::shared_ptr<AboutViewController> controller_;
    QString title_;
    QVariantList rows_;
};

}  // namespace pd::gui
