#pragma once
// The hotspot's rows for a QML list. A refresh of some rows changes only those, so a row whose
// swipe actions are open (or being dragged) keeps its delegate.

#include "controllers/WifiMgrView.h"

#include <QAbstractListModel>

#include <vector>

namespace pd::gui {

class HotspotRowModel : public QAbstractListModel {
    Q_OBJECT

  public:
    enum Role { IconRole = Qt::UserRole + 1, NameRole, SpeedRole, ActionsRole, ConnTypeRole };

    // Every row anew; rows that stay in place keep their delegates.
    void setRows(const std::vector<WifiRow>& rows);
    // Only these rows of `rows` (which is the whole new list).
    void updateRows(const std::vector<std::size_t>& indexes, const std::vector<WifiRow>& rows);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

  private:
    std::vector<WifiRow> rows_;
};

}  // namespace pd::gui
