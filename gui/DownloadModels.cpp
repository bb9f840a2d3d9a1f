#include "DownloadModels.h"

#include "Overlay.h"

namespace pd::gui {

void RunningDownloadModel::reload(const std::vector<DownloadRow>& rows) {
    beginResetModel();
    rows_ = rows;
    endResetModel();
    emit countChanged();
}

void RunningDownloadModel::changed(std::size_t row, int role) {
    const auto at = index(static_cast<int>(row));
    emit dataChanged(at, at, {role});
}

void RunningDownloadModel::setProgress(std::size_t row, float progress) {
    if (row < rows_.size()) {
        rows_[row].progress = progress;
        changed(row, ProgressRole);
    }
}

void RunningDownloadModel::setProgressText(std::size_t row, const std::string& text) {
    if (row < rows_.size()) {
        rows_[row].progressText = text;
        changed(row, ProgressTextRole);
    }
}

void RunningDownloadModel::setStatus(std::size_t row, int bnStatus) {
    if (row < rows_.size()) {
        rows_[row].bnStatus = bnStatus;
        changed(row, PausedRole);
    }
}

int RunningDownloadModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : count();
}

QVariant RunningDownloadModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= count()) {
        return {};
    }
    const DownloadRow& row = rows_[static_cast<std::size_t>(index.row())];
    switch (role) {
        case NameRole:
            return QString::fromStdString(row.fileName);
        case IconRole:
            return QString::fromStdString(row.icon);
        case ProgressRole:
            return row.progress;
        case ProgressTextRole:
            return QString::fromStdString(row.progressText);
        case PausedRole:
            return row.bnStatus == 2;
        case RemotePathRole:
            return QString::fromStdString(row.remotePath);
        default:
            return {};
    }
}

QHash<int, QByteArray> RunningDownloadModel::roleNames() const {
    return {{NameRole, "name"},         {IconRole, "icon"},
            {ProgressRole, "progress"}, {ProgressTextRole, "progressText"},
            {PausedRole, "paused"},     {RemotePathRole, "remotePath"}};
}

void FinishedFileModel::reload(const std::vector<FinishedSection>& sections) {
    beginResetModel();
    items_.clear();
    for (std::size_t s = 0; s < sections.size(); ++s) {
        const auto& section = sections[s];
        Item header;
        header.header = true;
        header.section = static_cast<int>(s);
        header.title = displayText(section.headerKey);
        header.collapsed = section.collapsed;
        items_.push_back(header);
        for (std::size_t r = 0; r < section.rows.size(); ++r) {
            const auto& row = section.rows[r];
            Item item;
            item.section = static_cast<int>(s);
            item.row = static_cast<int>(r);
            item.title = QString::fromStdString(row.fileName);
            item.time = QString::fromStdString(row.formatTime);
            item.icon = QString::fromStdString(row.icon);
            item.path = QString::fromStdString(row.filePath);
            items_.push_back(item);
        }
    }
    endResetModel();
    emit countChanged();
}

int FinishedFileModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : count();
}

QVariant FinishedFileModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= count()) {
        return {};
    }
    const Item& item = items_[static_cast<std::size_t>(index.row())];
    switch (role) {
        case IsHeaderRole:
            return item.header;
        case SectionRole:
            return item.section;
        case RowRole:
            return item.row;
        case TitleRole:
            return item.title;
        case TimeRole:
            return item.time;
        case IconRole:
            return item.icon;
        case CollapsedRole:
            return item.collapsed;
        case PathRole:
            return item.path;
        default:
            return {};
    }
}

QHash<int, QByteArray> FinishedFileModel::roleNames() const {
    return {{IsHeaderRole, "isHeader"},   {SectionRole, "section"}, {RowRole, "row"},
            {TitleRole, "title"},         {TimeRole, "time"},       {IconRole, "icon"},
            {CollapsedRole, "collapsed"}, {PathRole, "path"}};
}

}  // namespace pd::gui
