import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// One row of the drive or folder screen: icon, name, details, and its actions behind a menu
// button (or the class toggle in class-filling mode).
ItemDelegate {
    id: row
    property var actions: []  // [{ text, run }] for this row
    signal toggled()

    height: 64
    contentItem: RowLayout {
        spacing: 12
        IconTile {
            name: model.icon
        }
        ColumnLayout {
            Layout.fillWidth: true
            spacing: 2
            Label {
                Layout.fillWidth: true
                text: model.label
                font.pixelSize: 15
                elide: Text.ElideMiddle
            }
            Label {
                Layout.fillWidth: true
                visible: text !== ""
                text: [model.detail, model.sizeText, model.timeText].filter(t => t !== "").join("   ")
                color: "#78909C"
                font.pixelSize: 12
                elide: Text.ElideRight
            }
        }
        Switch {
            objectName: "toggle_" + index
            visible: model.hasToggle
            checked: model.toggleOn
            onToggled: row.toggled()
        }
        ToolButton {
            objectName: "rowMenu_" + index
            visible: row.actions.length > 0 && !model.hasToggle
            text: "⋮"
            font.pixelSize: 20
            onClicked: actionMenu.open()
            Menu {
                id: actionMenu
                // Drawn here: the style's elevated background needs effects that a software
                // renderer lacks.
                background: Rectangle {
                    implicitWidth: 200
                    color: "white"
                    radius: 4
                    border.color: "#CFD8DC"
                }
                Repeater {
                    model: row.actions
                    MenuItem {
                        objectName: "action_" + index
                        text: modelData.text
                        onTriggered: modelData.run()
                    }
                }
            }
        }
    }
}
