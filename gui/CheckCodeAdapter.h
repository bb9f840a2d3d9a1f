#pragma once
// The six-field check-code entry: each field's edit goes through the entry controller, which
// decides what a field takes and where the focus goes.

#include "controllers/AUTHViewController.h"

#include <QObject>
#include <QStringList>

#include <memory>

namespace pd::gui {

class CheckCodeAdapter : public QObject, public AuthCodeView {
    Q_OBJECT
    Q_PROPERTY(QString computerName READ computerName CONSTANT)
    Q_PROPERTY(QStringList fields READ fields NOTIFY fieldsChanged)
    Q_PROPERTY(int focusedField READ focusedField NOTIFY focusChanged)

  public:
    explicit CheckCodeAdapter(QString computerName);
    // Starts the entry for `row` (after the adapter is owned by a shared_ptr).
    void start(std::int64_t row, const std::string& deviceTag,
               std::weak_ptr<AUTHViewControllerDelegate> delegate,
               std::weak_ptr<AuthCodeView> self);

    // The text of field `field` became `text`; refused (false) when the field cannot take it.
    Q_INVOKABLE bool edit(int field, const QString& text);
    Q_INVOKABLE void cancel();

    QString computerName() const { return computerName_; }
    QStringList fields() const;
    int focusedField() const { return entry_ ? entry_->focusedField() : 0; }

    void focusField(int field) override;

  signals:
    void fieldsChanged();
    void focusChanged();

  private:
    QString computerName_;
    std::unique_ptr<AUTHViewController> entry_;
};

}  // namespace pd::gui
