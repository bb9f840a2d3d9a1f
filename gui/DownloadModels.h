#pragma once
// The download list's two tables as Qt list models: running downloads, whose rows update one
// at a time as bytes arrive, and finished files in their collapsible groups (headers are rows
// of their own, so a collapsed group still shows its header).

#include "controllers/DownloadListView.h"

#include <QAbstractListModel>

#include <vector>

namespace pd::gui {

class RunningDownloadModel : public QAbstractListModel {
    Q_OBJECT
    Q_PROPERTY(int count READ count NOTIFY countChanged)

  public:
    enum Role {
        NameRole = Qt::UserRole + 1,
        IconRole,
        ProgressRole,
        ProgressTextRole,
        PausedRole,
        RemotePathRole,
    };

    void reload(const std::vector<DownloadRow>& rows);
    void setProgress(std::size_t row, float progress);
    void setProgressText(std::size_t row, const std::string& text);
    void setStatus(std::size_t row, int bnStatus);

    int count() const { return static_cast<int>(rows_.size()); }
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

  signals:
    void countChanged();

  private:
    void changed(std::size_t row, int role);

    std::vector<DownloadRow> rows_;
};

class FinishedFileModel : public QAbstractListModel {
    Q_OBJECT
    Q_PROPERTY(int count READ count NOTIFY countChanged)

  public:
    enum Role {
        IsHeaderRole = Qt::UserRole + 1,
        SectionRole,
        RowRole,  // index of the file in its group
        TitleRole,
        TimeRole,
        IconRole,
        CollapsedRole,
        PathRole,
    };

    void reload(const std::vector<FinishedSection>& sections);

    int count() const { return static_cast<int>(items_.size()); }
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

  signals:
    void countChanged();

  private:
    struct Item {
        bool header = false;
        int section = 0;
        int row = 0;
        QString title;
        QString time;
        QString icon;
        bool collapsed = false;
        QString path;
    };
    std::vector<Item> items_;
};

}  // namespace pd::gui
