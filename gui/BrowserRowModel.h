#pragma once
// The rows of a drive or folder screen as a Qt list model. Rows are made when a delegate asks
// for them (a 100,000-entry folder costs its listing, not 100,000 rows); the last row made is
// kept because a delegate reads several roles of it in a row.

#include "controllers/BrowserRows.h"

#include <QAbstractListModel>

#include <map>
#include <optional>

namespace pd::gui {

class BrowserRowModel : public QAbstractListModel {
    Q_OBJECT
    Q_PROPERTY(int count READ count NOTIFY countChanged)

  public:
    enum Role {
        LabelRole = Qt::UserRole + 1,
        DetailRole,
        IconRole,
        SizeRole,
        TimeRole,
        KindRole,  // rowKindName()
        CanDownloadRole,
        CanMoreRole,
        CanRemoveRole,
        HasToggleRole,
        ToggleOnRole,
    };

    void setRows(BrowserRows rows);
    void setToggle(std::size_t row, bool on);

    int count() const { return static_cast<int>(rows_.size()); }
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

  signals:
    void countChanged();

  private:
    const BrowserRow& rowAt(std::size_t i) const;

    BrowserRows rows_;
    std::map<std::size_t, bool> toggles_;  // toggles changed since the rows were made
    mutable std::optional<std::pair<std::size_t, BrowserRow>> last_;
};

}  // namespace pd::gui
