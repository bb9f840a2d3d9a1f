#pragma once
// The server list screen for Qt Quick: the computers found (a list model), the search spinner
// and its button, the tip lines, the first-run introduction and the check-code entry.

#include "CheckCodeAdapter.h"
#include "OverlayScreen.h"

#include "controllers/ServerView.h"

#include <QAbstractListModel>

#include <memory>
#include <optional>

namespace pd {
class ServerViewController;
}

namespace pd::gui {

class ServerListAdapter : public QAbstractListModel, public OverlayScreen<ServerView> {
    Q_OBJECT
    Q_PROPERTY(int count READ count NOTIFY countChanged)
    Q_PROPERTY(bool spinning READ spinning NOTIFY stateChanged)
    Q_PROPERTY(bool refreshEnabled READ refreshEnabled NOTIFY stateChanged)
    Q_PROPERTY(QString foundTip READ foundTip NOTIFY stateChanged)
    Q_PROPERTY(QString homeTip READ homeTip NOTIFY stateChanged)
    Q_PROPERTY(QString homeLink READ homeLink NOTIFY stateChanged)
    Q_PROPERTY(int introPages READ introPages NOTIFY stateChanged)
    Q_PROPERTY(QObject* checkCode READ checkCode NOTIFY checkCodeChanged)

  public:
    enum Role { NameRole = Qt::UserRole + 1, AddressRole, RememberedRole, CurrentRole };

    explicit ServerListAdapter(Overlay& overlay) : OverlayScreen(overlay) {}
    void setController(std::weak_ptr<ServerViewController> controller);

    Q_INVOKABLE void refresh();
    Q_INVOKABLE void select(int row);
    Q_INVOKABLE void finishIntro();
    // The More screen, through the list's settings control.
    Q_INVOKABLE void openMore();

    int count() const { return static_cast<int>(rows_.size()); }
    bool spinning() const { return spinning_; }
    bool refreshEnabled() const { return refreshEnabled_; }
    QString foundTip() const { return foundTip_; }
    QString homeTip() const { return homeTip_; }
    QString homeLink() const { return homeLink_; }
    int introPages() const { return introPages_; }
    QObject* checkCode() const { return checkCode_.get(); }
    // How the last connect ended (for a caller that waits for it).
    const std::optional<PairingOutcome>& lastOutcome() const { return outcome_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    // ServerView
    void showIntro(int pages) override;
    void hideIntro() override;
    void reloadRows(const std::vector<ServerListData>& rows) override;
    void setHomeTip(const std::string& tipKey, const std::string& linkKey) override;
    void setFoundTip(std::size_t count, const std::string& key) override;
    void setRefreshEnabled(bool enabled) override;
    void setSpinning(bool spinning) override;
    void pairingEnded(PairingOutcome outcome) override;
    void presentCheckCode(std::int64_t row, const std::string& deviceTag) override;
    void dismissCheckCode() override;

  signals:
    void countChanged();
    void stateChanged();
    void checkCodeChanged();
    void searchEnded();
    void pairingFinished(int outcome);

  private:
    std::weak_ptr<ServerViewController> controller_;
    std::vector<ServerListData> rows_;
    bool spinning_ = false;
    bool refreshEnabled_ = true;
    QString foundTip_;
    QString homeTip_;
    QString homeLink_;
    int introPages_ = 0;
    std::shared_ptr<CheckCodeAdapter> checkCode_;
    std::optional<PairingOutcome> outcome_;
};

}  // namespace pd::gui
