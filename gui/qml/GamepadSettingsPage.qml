import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material
import QtQuick.Layouts

// A gamepad configuration's keys: each of the 14 buttons shows the key it sends; pressing one
// opens the list of keys beside it, and a tap anywhere else closes the list unchanged.
Page {
    id: settingsScreen
    property var settings
    readonly property bool listOpen: settings && settings.listButton !== 0

    // The buttons by side, as on the pad; `button` is the controller's number for it.
    readonly property var leftSide: [
        { button: 9, text: "L1" }, { button: 10, text: "L2" },
        { button: 1, glyph: "arrow", angle: -90 }, { button: 2, glyph: "arrow", angle: 90 },
        { button: 3, glyph: "arrow", angle: 180 }, { button: 4, glyph: "arrow", angle: 0 },
        { button: 14, text: app.text("gamepad select") }
    ]
    readonly property var rightSide: [
        { button: 11, text: "R1" }, { button: 12, text: "R2" },
        { button: 8, glyph: "triangle" }, { button: 5, glyph: "square" },
        { button: 6, glyph: "ring" }, { button: 7, glyph: "cross" },
        { button: 13, text: app.text("gamepad start") }
    ]

    header: AppBar {
        RowLayout {
            anchors.fill: parent
            ToolButton {
                objectName: "gameSettingsBack"
                text: "‹"
                font.pixelSize: 26
                onClicked: settingsScreen.settings.back()
            }
            Label {
                objectName: "gameSettingsTitle"
                Layout.fillWidth: true
                text: settingsScreen.settings ? settingsScreen.settings.title : ""
                color: "white"
                font.pixelSize: 18
                elide: Text.ElideRight
            }
        }
    }

    RowLayout {
        id: sides
        anchors.fill: parent
        anchors.margins: 14
        spacing: 12
        Repeater {
            model: [settingsScreen.leftSide, settingsScreen.rightSide]
            Pane {
                id: side
                required property var modelData
                Layout.fillWidth: true
                Layout.preferredWidth: 1
                Layout.alignment: Qt.AlignTop
                padding: 10
                background: Rectangle {
                    radius: 16
                    color: "#ECEFF1"
                }
                ColumnLayout {
                    anchors.left: parent.left
                    anchors.right: parent.right
                    spacing: 8
                    Repeater {
                        model: side.modelData
                        RowLayout {
                            id: entry
                            required property var modelData
                            Layout.fillWidth: true
                            spacing: 6
                            Item {
                                Layout.preferredWidth: 40
                                Layout.preferredHeight: 44
                                GamepadGlyph {
                                    anchors.centerIn: parent
                                    visible: entry.modelData.glyph !== undefined
                                    name: visible ? entry.modelData.glyph : ""
                                    angle: entry.modelData.angle !== undefined ? entry.modelData.angle : 0
                                    color: "#546E7A"
                                }
                                Label {
                                    anchors.centerIn: parent
                                    width: parent.width
                                    horizontalAlignment: Text.AlignHCenter
                                    visible: entry.modelData.text !== undefined
                                    text: visible ? entry.modelData.text : ""
                                    color: "#546E7A"
                                    font.bold: true
                                    font.pixelSize: text.length > 2 ? 11 : 15
                                    elide: Text.ElideRight
                                }
                            }
                            Button {
                                id: keyButton
                                objectName: "gameKey_" + button
                                readonly property int button: entry.modelData.button
                                readonly property bool open: settingsScreen.listOpen && settingsScreen.settings.listButton === button
                                Layout.fillWidth: true
                                Layout.preferredHeight: 48
                                flat: true
                                font.capitalization: Font.MixedCase
                                font.pixelSize: 16
                                text: settingsScreen.settings ? settingsScreen.settings.buttonTitles[button - 1] : ""
                                background: Rectangle {
                                    radius: 10
                                    color: keyButton.open ? "#1565C0" : (keyButton.down ? "#CFD8DC" : "white")
                                    border.color: "#CFD8DC"
                                }
                                Material.foreground: open ? "white" : "#263238"
                                onClicked: {
                                    list.anchorItem = keyButton
                                    settingsScreen.settings.pressButton(button)
                                }
                            }
                        }
                    }
                }
            }
        }
    }

    // A tap outside the open list closes it.
    MouseArea {
        objectName: "keyListDismiss"
        anchors.fill: parent
        visible: settingsScreen.listOpen
        onClicked: settingsScreen.settings.dismissList()
    }

    // The keys, beside the pressed button: over the other side, at the button's height.
    Rectangle {
        id: list
        objectName: "keyList"
        property Item anchorItem: null
        readonly property bool onLeftSide: settingsScreen.listOpen && settingsScreen.leftSide.some(e => e.button === settingsScreen.settings.listButton)
        readonly property real anchorY: anchorItem ? anchorItem.mapToItem(settingsScreen.contentItem, 0, anchorItem.height / 2).y : 0
        visible: settingsScreen.listOpen
        width: Math.min(170, parent.width / 2 - 20)
        height: Math.min(340, parent.height - 28)
        x: onLeftSide ? parent.width / 2 + 6 : parent.width / 2 - 6 - width
        y: Math.max(14, Math.min(parent.height - height - 14, anchorY - height / 2))
        radius: 12
        color: "white"
        border.color: "#B0BEC5"
        clip: true

        ListView {
            id: names
            anchors.fill: parent
            anchors.margins: 4
            model: settingsScreen.listOpen ? settingsScreen.settings.names : []
            currentIndex: settingsScreen.listOpen ? settingsScreen.settings.selectedRow : -1
            boundsBehavior: Flickable.StopAtBounds
            ScrollIndicator.vertical: ScrollIndicator {}
            // The current name comes first, as the list opens.
            onModelChanged: Qt.callLater(reveal)
            onCurrentIndexChanged: Qt.callLater(reveal)
            function reveal() {
                if (currentIndex >= 0)
                    positionViewAtIndex(currentIndex, ListView.Beginning)
                else
                    positionViewAtBeginning()
            }
            delegate: ItemDelegate {
                objectName: "keyChoice_" + index
                width: names.width
                height: 40
                text: modelData
                font.capitalization: Font.MixedCase
                highlighted: index === names.currentIndex
                onClicked: settingsScreen.settings.choose(modelData)
            }
        }
    }
}
