#pragma once
// The photo browser's grid as a Qt list model: one cell per photo of the library with its
// thumbnail's file URL, its name and whether it is picked.

#include "controllers/BackFileView.h"

#include <QAbstractListModel>

#include <vector>

namespace pd::gui {

class PhotoGridModel : public QAbstractListModel {
    Q_OBJECT
    Q_PROPERTY(int count READ count NOTIFY countChanged)
    Q_PROPERTY(int pickedCount READ pickedCount NOTIFY pickedChanged)

  public:
    enum Role {
        ImageRole = Qt::UserRole + 1,  // file URL of the picture
        NameRole,
        PickedRole,
    };

    // New photos, none picked.
    void setPhotos(std::vector<PhotoEntry> photos);
    // False when `row` is out of range.
    bool setPicked(int row, bool picked);
    bool picked(int row) const;

    int count() const { return static_cast<int>(photos_.size()); }
    int pickedCount() const { return pickedCount_; }
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

  signals:
    void countChanged();
    void pickedChanged();

  private:
    std::vector<PhotoEntry> photos_;
    std::vector<bool> picked_;
    int pickedCount_ = 0;
};

}  // namespace pd::gui
