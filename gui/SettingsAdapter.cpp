#include "SettingsAdapter.h"

#include <QStringList>

#include <algorithm>

namespace pd::gui {

SettingsAdapter::SettingsAdapter() {
    for (SettingRow& setting : appSettings()) {
        rows_.push_back(Row{std::move(setting), {}, {}});
    }
}

bool SettingsAdapter::isSwitch(const SettingRow& setting) const {
    return setting.values == std::vector<std::string>{"on", "off"};
}

void SettingsAdapter::setSwitch(int row, bool on) {
    if (row < 0 || row >= rowCount() || !isSwitch(rows_[row].setting)) {
        return;
    }
    if (rows_[row].setting.get() != (on ? "on" : "off")) {
        store(row, on ? "on" : "off");
    }
}

bool SettingsAdapter::setText(int row, const QString& text) {
    if (row < 0 || row >= rowCount()) {
        return false;
    }
    Row& r = rows_[row];
    const std::string value = text.trimmed().toStdString();
    std::string problem;
    if (r.setting.problem) {
        problem = r.setting.problem(value);
    } else if (std::find(r.setting.values.begin(), r.setting.values.end(), value) ==
               r.setting.values.end()) {
        problem = "'" + value + "' is not one of the accepted values";
    }
    if (!problem.empty()) {
        r.problem = QString::fromStdString(problem);
        r.note.clear();
        const QModelIndex at = index(row);
        emit dataChanged(at, at, {ProblemRole, NoteRole});
        return false;
    }
    store(row, value);
    return true;
}

void SettingsAdapter::store(int row, const std::string& value) {
    Row& r = rows_[row];
    r.setting.set(value);
    r.problem.clear();
    r.note = r.setting.changeNote.empty()
                 ? QString("Saved")
                 : "Saved: " + QString::fromStdString(r.setting.changeNote);
    const QModelIndex at = index(row);
    emit dataChanged(at, at, {ValueRole, ProblemRole, NoteRole});
}

void SettingsAdapter::back() {
    emit closed();
}

QString SettingsAdapter::valueOf(const QString& name) const {
    for (const Row& r : rows_) {
        if (QString::fromStdString(r.setting.name) == name) {
            return QString::fromStdString(r.setting.get());
        }
    }
    return {};
}

int SettingsAdapter::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

QVariant SettingsAdapter::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const Row& r = rows_[static_cast<std::size_t>(index.row())];
    switch (role) {
        case NameRole:
            return QString::fromStdString(r.setting.name);
        case DescriptionRole:
            return QString::fromStdString(r.setting.description);
        case IsSwitchRole:
            return isSwitch(r.setting);
        case ValueRole:
            return QString::fromStdString(r.setting.get());
        case HintRole: {
            QStringList forms;
            for (const auto& v : r.setting.values) {
                forms << QString::fromStdString(v);
            }
            return forms.join(" or ");
        }
        case ProblemRole:
            return r.problem;
        case NoteRole:
            return r.note;
        default:
            return {};
    }
}

QHash<int, QByteArray> SettingsAdapter::roleNames() const {
    return {{NameRole, "name"},         {DescriptionRole, "description"},
            {IsSwitchRole, "isSwitch"}, {ValueRole, "value"},
            {HintRole, "hint"},         {ProblemRole, "problem"},
            {NoteRole, "note"}};
}

}  // namespace pd::gui
