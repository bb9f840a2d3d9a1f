import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material
import QtQuick.Layouts

// The check-code entry: six one-character fields; the entry controller moves the focus and
// completes the code with the sixth character.
Rectangle {
    id: panel
    property var entry: null

    visible: entry !== null
    color: "#66000000"
    MouseArea { anchors.fill: parent }

    Pane {
        anchors.centerIn: parent
        width: parent.width - 32
        Material.elevation: 8
        background: Rectangle {
            color: "white"
            radius: 12
        }
        ColumnLayout {
            anchors.left: parent.left
            anchors.right: parent.right
            spacing: 16
            Label {
                Layout.fillWidth: true
                wrapMode: Text.WordWrap
                font.pixelSize: 16
                text: app.text("enterCheckCode") + (panel.entry ? " (" + panel.entry.computerName + ")" : "")
            }
            RowLayout {
                Layout.alignment: Qt.AlignHCenter
                spacing: 8
                Repeater {
                    id: fields
                    model: 6
                    TextField {
                        objectName: "codeField_" + index
                        implicitWidth: 40
                        horizontalAlignment: TextInput.AlignHCenter
                        font.pixelSize: 22
                        inputMethodHints: Qt.ImhDigitsOnly
                        text: panel.entry ? panel.entry.fields[index] : ""
                        focus: panel.entry !== null && panel.entry.focusedField === index
                        onTextEdited: {
                            if (panel.entry && !panel.entry.edit(index, text))
                                text = panel.entry ? panel.entry.fields[index] : ""
                        }
                    }
                }
            }
            Button {
                objectName: "codeCancel"
                Layout.alignment: Qt.AlignRight
                flat: true
                text: app.text("cancel")
                onClicked: panel.entry.cancel()
            }
        }
    }
    Connections {
        target: panel.entry
        ignoreUnknownSignals: true
        function onFocusChanged() {
            var f = fields.itemAt(panel.entry.focusedField)
            if (f) f.forceActiveFocus()
        }
    }
}
