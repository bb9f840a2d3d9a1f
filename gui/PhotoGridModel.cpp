#include "PhotoGridModel.h"

#include <QUrl>

namespace pd::gui {

void PhotoGridModel::setPhotos(std::vector<PhotoEntry> photos) {
    beginResetModel();
    photos_ = std::move(photos);
    picked_.assign(photos_.size(), false);
    pickedCount_ = 0;
    endResetModel();
    emit countChanged();
    emit pickedChanged();
}

bool PhotoGridModel::setPicked(int row, bool picked) {
    if (row < 0 || row >= count()) {
        return false;
    }
    const auto i = static_cast<std::size_t>(row);
    if (picked_[i] != picked) {
        picked_[i] = picked;
        pickedCount_ += picked ? 1 : -1;
        const auto at = index(row);
        emit dataChanged(at, at, {PickedRole});
        emit pickedChanged();
    }
    return true;
}

bool PhotoGridModel::picked(int row) const {
    return row >= 0 && row < count() && picked_[static_cast<std::size_t>(row)];
}

int PhotoGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : count();
}

QVariant PhotoGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= count()) {
        return {};
    }
    const auto i = static_cast<std::size_t>(index.row());
    switch (role) {
        case ImageRole:
            return QUrl::fromLocalFile(QString::fromStdString(photos_[i].imagePath));
        case NameRole:
            return QString::fromStdString(photos_[i].fileName);
        case PickedRole:
            return static_cast<bool>(picked_[i]);
        default:
            return {};
    }
}

QHash<int, QByteArray> PhotoGridModel::roleNames() const {
    return {{ImageRole, "image"}, {NameRole, "name"}, {PickedRole, "picked"}};
}

}  // namespace pd::gui
