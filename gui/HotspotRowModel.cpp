#include "HotspotRowModel.h"

#include "Overlay.h"

#include <QStringList>

namespace pd::gui {

void HotspotRowModel::setRows(const std::vector<WifiRow>& rows) {
    if (rows.size() != rows_.size()) {
        beginResetModel();
        rows_ = rows;
        endResetModel();
        return;
    }
    rows_ = rows;
    if (!rows_.empty()) {
        emit dataChanged(index(0), index(static_cast<int>(rows_.size()) - 1));
    }
}

void HotspotRowModel::updateRows(const std::vector<std::size_t>& indexes,
                                 const std::vector<WifiRow>& rows) {
    if (rows.size() != rows_.size()) {
        // The rows moved under the open one: nothing sensible to keep.
        setRows(rows);
        return;
    }
    for (std::size_t i : indexes) {
        if (i < rows.size()) {
            rows_[i] = rows[i];
            emit dataChanged(index(static_cast<int>(i)), index(static_cast<int>(i)));
        }
    }
}

int HotspotRowModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

QVariant HotspotRowModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= static_cast<int>(rows_.size())) {
        return {};
    }
    const WifiRow& row = rows_[static_cast<std::size_t>(index.row())];
    switch (role) {
        case IconRole:
            return QString::fromStdString(row.icon);
        case NameRole:
            return QString::fromStdString(row.name);
        case SpeedRole:
            return QString::fromStdString(row.speed);
        case ActionsRole: {
            QStringList actions;
            for (const auto& key : row.actions) {
                actions << displayText(key);
            }
            return actions;
        }
        case ConnTypeRole:
            return row.connType;
        default:
            return {};
    }
}

QHash<int, QByteArray> HotspotRowModel::roleNames() const {
    return {{IconRole, "picture"},
            {NameRole, "name"},
            {SpeedRole, "speed"},
            {ActionsRole, "actions"},
            {ConnTypeRole, "connType"}};
}

}  // namespace pd::gui
