import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material
import QtQuick.Layouts

// Every setting with what it does: on/off ones as a switch, the others as a field stored with
// its button or the keyboard's enter. A refused value stays in its field with the reason.
Page {
    id: settingsScreen
    property var settings

    header: AppBar {
        RowLayout {
            anchors.fill: parent
            ToolButton {
                objectName: "settingsBack"
                text: "‹"
                font.pixelSize: 26
                onClicked: settingsScreen.settings.back()
            }
            Label {
                objectName: "settingsTitle"
                Layout.fillWidth: true
                text: "Settings"
                color: "white"
                font.pixelSize: 18
            }
        }
    }

    Flickable {
        anchors.fill: parent
        contentHeight: rows.implicitHeight + 32
        clip: true
        ColumnLayout {
            id: rows
            x: 16
            y: 16
            width: parent.width - 32
            spacing: 20
            Repeater {
                model: settingsScreen.settings
                ColumnLayout {
                    id: row
                    required property int index
                    required property string name
                    required property string description
                    required property bool isSwitch
                    required property string value
                    required property string hint
                    required property string problem
                    required property string note
                    Layout.fillWidth: true
                    spacing: 4

                    RowLayout {
                        Layout.fillWidth: true
                        Label {
                            objectName: "settingName_" + row.index
                            Layout.fillWidth: true
                            text: row.name
                            font.pixelSize: 16
                            font.bold: true
                            color: "#263238"
                        }
                        Switch {
                            objectName: "settingSwitch_" + row.index
                            visible: row.isSwitch
                            // A flat handle: its shadow does not render everywhere.
                            Component.onCompleted: indicator.Material.elevation = 0
                            checked: row.value === "on"
                            onToggled: {
                                settingsScreen.settings.setSwitch(row.index, checked)
                                checked = Qt.binding(() => row.value === "on")
                            }
                        }
                    }
                    Label {
                        Layout.fillWidth: true
                        text: row.description
                        wrapMode: Text.WordWrap
                        color: "#546E7A"
                    }
                    RowLayout {
                        Layout.fillWidth: true
                        visible: !row.isSwitch
                        TextField {
                            id: field
                            objectName: "settingField_" + row.index
                            Layout.fillWidth: true
                            text: row.value
                            placeholderText: row.hint
                            selectByMouse: true
                            onAccepted: save.clicked()
                            // A long value shows its start.
                            Component.onCompleted: cursorPosition = 0
                        }
                        Button {
                            id: save
                            objectName: "settingSave_" + row.index
                            text: "Save"
                            flat: true
                            onClicked: {
                                if (settingsScreen.settings.setText(row.index, field.text))
                                    field.text = Qt.binding(() => row.value)
                            }
                        }
                    }
                    Label {
                        objectName: "settingProblem_" + row.index
                        Layout.fillWidth: true
                        visible: row.problem !== ""
                        text: row.problem
                        wrapMode: Text.WordWrap
                        color: "#C62828"
                    }
                    Label {
                        objectName: "settingNote_" + row.index
                        Layout.fillWidth: true
                        visible: row.note !== ""
                        text: row.note
                        wrapMode: Text.WordWrap
                        color: "#2E7D32"
                    }
                }
            }
        }
    }
}
