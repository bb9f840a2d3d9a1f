#include "ServerListAdapter.h"

#include "controllers/ServerViewController.h"

namespace pd::gui {

void ServerListAdapter::setController(std::weak_ptr<ServerViewController> controller) {
    controller_ = std::move(controller);
}

void ServerListAdapter::refresh() {
    if (auto c = controller_.lock()) {
        c->RefreshBn();
    }
}

void ServerListAdapter::select(int row) {
    auto c = controller_.lock();
    if (c && row >= 0) {
        outcome_.reset();
        c->didSelectRow(static_cast<std::size_t>(row));
    }
}

void ServerListAdapter::openMore() {
    if (auto c = controller_.lock()) {
        c->SettingBn();
    }
}

void ServerListAdapter::finishIntro() {
    if (auto c = controller_.lock()) {
        c->introFinished();
    }
}

int ServerListAdapter::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : count();
}

QVariant ServerListAdapter::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= count()) {
        return {};
    }
    const ServerListData& row = rows_[static_cast<std::size_t>(index.row())];
    switch (role) {
        case NameRole:
            return QString::fromStdString(row.serverData.DeviceName);
        case AddressRole:
            return QString::fromStdString(row.serverData.IP);
        case RememberedRole:
            return row.remembered;
        case CurrentRole:
            return row.current;
        default:
            return {};
    }
}

QHash<int, QByteArray> ServerListAdapter::roleNames() const {
    return {{NameRole, "name"},
            {AddressRole, "address"},
            {RememberedRole, "remembered"},
            {CurrentRole, "current"}};
}

void ServerListAdapter::showIntro(int pages) {
    introPages_ = pages;
    emit stateChanged();
}

void ServerListAdapter::hideIntro() {
    introPages_ = 0;
    emit stateChanged();
}

void ServerListAdapter::reloadRows(const std::vector<ServerListData>& rows) {
    beginResetModel();
    rows_ = rows;
    endResetModel();
    emit countChanged();
}

void ServerListAdapter::setHomeTip(const std::string& tipKey, const std::string& linkKey) {
    homeTip_ = displayText(tipKey);
    homeLink_ = displayText(linkKey);
    emit stateChanged();
}

void ServerListAdapter::setFoundTip(std::size_t count, const std::string& key) {
    foundTip_ = QString::number(count) + " " + displayText(key);
    emit stateChanged();
}

void ServerListAdapter::setRefreshEnabled(bool enabled) {
    refreshEnabled_ = enabled;
    emit stateChanged();
}

void ServerListAdapter::setSpinning(bool spinning) {
    const bool ended = spinning_ && !spinning;
    spinning_ = spinning;
    emit stateChanged();
    if (ended) {
        emit searchEnded();
    }
}

void ServerListAdapter::pairingEnded(PairingOutcome outcome) {
    outcome_ = outcome;
    emit pairingFinished(static_cast<int>(outcome));
}

void ServerListAdapter::presentCheckCode(std::int64_t row, const std::string& deviceTag) {
    auto c = controller_.lock();
    if (!c || row < 0 || row >= count()) {
        return;
    }
    checkCode_ = makeAdapter(new CheckCodeAdapter(
        QString::fromStdString(rows_[static_cast<std::size_t>(row)].serverData.DeviceName)));
    checkCode_->start(row, deviceTag, c, checkCode_);
    emit checkCodeChanged();
}

void ServerListAdapter::dismissCheckCode() {
    // Called from inside the entry's last edit: the adapter is deleted from the event loop.
    checkCode_.reset();
    emit checkCodeChanged();
}

}  // namespace pd::gui
