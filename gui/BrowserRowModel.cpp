#include "BrowserRowModel.h"

#include <algorithm>

namespace pd::gui {

namespace {

bool offers(const BrowserRow& row, BrowserRowAction action) {
    return std::find(row.swipeActions.begin(), row.swipeActions.end(), action) !=
           row.swipeActions.end();
}

}  // namespace

void BrowserRowModel::setRows(BrowserRows rows) {
    beginResetModel();
    rows_ = std::move(rows);
    toggles_.clear();
    last_.reset();
    endResetModel();
    emit countChanged();
}

void BrowserRowModel::setToggle(std::size_t row, bool on) {
    if (row >= rows_.size()) {
        return;
    }
    toggles_[row] = on;
    const auto at = index(static_cast<int>(row));
    emit dataChanged(at, at, {ToggleOnRole});
}

int BrowserRowModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : count();
}

const BrowserRow& BrowserRowModel::rowAt(std::size_t i) const {
    if (!last_ || last_->first != i) {
        last_.emplace(i, rows_[i]);
    }
    return last_->second;
}

QVariant BrowserRowModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || static_cast<std::size_t>(index.row()) >= rows_.size()) {
        return {};
    }
    const auto i = static_cast<std::size_t>(index.row());
    const BrowserRow& row = rowAt(i);
    switch (role) {
        case LabelRole:
            return QString::fromStdString(row.label);
        case DetailRole:
            return QString::fromStdString(row.detail);
        case IconRole:
            return QString::fromStdString(row.icon);
        case SizeRole:
            return QString::fromStdString(row.sizeText);
        case TimeRole:
            return QString::fromStdString(row.timeText);
        case KindRole:
            return QString::fromLatin1(rowKindName(row.kind));
        case CanDownloadRole:
            return offers(row, BrowserRowAction::Download);
        case CanMoreRole:
            return offers(row, BrowserRowAction::More);
        case CanRemoveRole:
            return offers(row, BrowserRowAction::DeleteFromClass);
        case HasToggleRole:
            return row.hasClassToggle;
        case ToggleOnRole: {
            const auto changed = toggles_.find(i);
            return changed != toggles_.end() ? changed->second : row.classToggleOn;
        }
        default:
            return {};
    }
}

QHash<int, QByteArray> BrowserRowModel::roleNames() const {
    return {{LabelRole, "label"},
            {DetailRole, "detail"},
            {IconRole, "icon"},
            {SizeRole, "sizeText"},
            {TimeRole, "timeText"},
            {KindRole, "kind"},
            {CanDownloadRole, "canDownload"},
            {CanMoreRole, "canMore"},
            {CanRemoveRole, "canRemove"},
            {HasToggleRole, "hasToggle"},
            {ToggleOnRole, "toggleOn"}};
}

}  // namespace pd::gui
