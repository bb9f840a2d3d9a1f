#pragma once
// The settings page for Qt Quick: every setting the application offers, with its description;
// an on/off one as a switch, a free-form one as a text field. A refused value stays in its
// field with the reason under it and is not stored; an accepted one is stored at once and
// the row says what the change means.

#include "app/AppSettings.h"

#include <QAbstractListModel>
#include <QString>

#include <vector>

namespace pd::gui {

class SettingsAdapter : public QAbstractListModel {
    Q_OBJECT

  public:
    enum Role {
        NameRole = Qt::UserRole + 1,
        DescriptionRole,
        IsSwitchRole,  // on/off: shown as a switch
        ValueRole,     // as stored now ("on", "off", an address, ...)
        HintRole,      // the accepted forms, e.g. "HOST[:PORT] or off"
        ProblemRole,   // why the value last entered was refused; empty otherwise
        NoteRole,      // said after a change; empty until one
    };

    SettingsAdapter();

    Q_INVOKABLE void setSwitch(int row, bool on);
    // Stores `value` if the setting accepts it; false (with the reason in ProblemRole) if not.
    Q_INVOKABLE bool setText(int row, const QString& value);
    Q_INVOKABLE void back();

    // The stored value of the named setting, or empty.
    QString valueOf(const QString& name) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

  signals:
    void closed();

  private:
    struct Row {
        SettingRow setting;
        QString problem;
        QString note;
    };
    bool isSwitch(const SettingRow& setting) const;
    void store(int row, const std::string& value);

    std::vector<Row> rows_;
};

}  // namespace pd::gui
