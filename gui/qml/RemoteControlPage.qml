import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material
import QtQuick.Layouts

// The remote control panel: the section menu (also swiped through), the computer's power,
// capture and volume controls, the pad of the music, slide and gamepad sections, and the
// microphone. The screens it opens go on the tab's stack.
Page {
    id: panel
    property var remote
    property var stack
    property var picker: null

    header: AppBar {
        RowLayout {
            anchors.fill: parent
            anchors.leftMargin: 16
            Label {
                objectName: "remoteTitle"
                Layout.fillWidth: true
                text: panel.remote.title
                color: "white"
                font.pixelSize: 18
                elide: Text.ElideRight
            }
            ToolButton {
                objectName: "hotspotButton"
                text: app.text("hotspot")
                onClicked: panel.remote.openHotspot()
            }
            ToolButton {
                objectName: "moreButton"
                text: "⋮"
                font.pixelSize: 22
                onClicked: panel.remote.openMore()
            }
        }
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 0
        TopMenu {
            Layout.fillWidth: true
            labels: panel.remote.menu
            selected: panel.remote.selectedMenu
            onPicked: index => panel.remote.selectMenu(index)
        }

        Item {
            id: area
            objectName: "sectionArea"
            Layout.fillWidth: true
            Layout.fillHeight: true

            // A sideways swipe anywhere over the section selects the next or previous one.
            DragHandler {
                target: null
                yAxis.enabled: false
                enabled: !volumeSlider.pressed
                property real dx: 0
                onTranslationChanged: dx = translation.x
                onActiveChanged: {
                    if (!active && Math.abs(dx) > 60)
                        panel.remote.swipe(dx < 0)
                    dx = 0
                }
            }

            // Computer: power and capture tiles, then the volume.
            ColumnLayout {
                objectName: "computerSection"
                anchors.fill: parent
                anchors.margins: 20
                spacing: 14
                visible: panel.remote.computerControls
                GridLayout {
                    Layout.fillWidth: true
                    columns: 3
                    columnSpacing: 12
                    rowSpacing: 12
                    RemoteTile {
                        objectName: "shutdownTile"
                        Layout.fillWidth: true
                        glyph: "power"
                        tint: "#C62828"
                        text: app.text("shutdown")
                        onClicked: panel.remote.shutdown()
                    }
                    RemoteTile {
                        objectName: "rebootTile"
                        Layout.fillWidth: true
                        glyph: "restart"
                        tint: "#EF6C00"
                        text: app.text("reboot")
                        onClicked: panel.remote.reboot()
                    }
                    RemoteTile {
                        objectName: "standbyTile"
                        Layout.fillWidth: true
                        glyph: "standby"
                        tint: "#5E35B1"
                        text: app.text("hibernation")
                        onClicked: panel.remote.standby()
                    }
                    RemoteTile {
                        objectName: "lockTile"
                        Layout.fillWidth: true
                        glyph: "lock"
                        tint: "#00897B"
                        text: app.text("lockScreen")
                        onClicked: panel.remote.lockScreen()
                    }
                    RemoteTile {
                        objectName: "captureTile"
                        Layout.fillWidth: true
                        Layout.columnSpan: 2
                        glyph: "capture"
                        tint: "#1565C0"
                        text: app.text("screenshot")
                        onClicked: panel.remote.capture()
                    }
                }
                Pane {
                    Layout.fillWidth: true
                    Layout.topMargin: 8
                    padding: 12
                    background: Rectangle {
                        radius: 16
                        color: "#ECEFF1"
                    }
                    ColumnLayout {
                        anchors.left: parent.left
                        anchors.right: parent.right
                        spacing: 4
                        Label {
                            text: app.text("volume")
                            color: "#546E7A"
                        }
                        RowLayout {
                            Layout.fillWidth: true
                            RoundButton {
                                objectName: "muteButton"
                                implicitWidth: 48
                                implicitHeight: 48
                                background: Rectangle {
                                    radius: width / 2
                                    color: panel.remote.muteSelected ? "#C62828" : "white"
                                    border.color: "#CFD8DC"
                                }
                                contentItem: Item {
                                    RemoteIcon {
                                        anchors.centerIn: parent
                                        width: 24
                                        height: 24
                                        name: panel.remote.muteSelected ? "mute" : "speaker"
                                        color: panel.remote.muteSelected ? "white" : "#263238"
                                    }
                                }
                                property bool selected: panel.remote.muteSelected
                                onClicked: panel.remote.mute()
                            }
                            Slider {
                                id: volumeSlider
                                objectName: "volumeSlider"
                                Layout.fillWidth: true
                                from: 0
                                to: 100
                                stepSize: 1
                                value: panel.remote.volume
                                onMoved: panel.remote.slideVolume(value)
                            }
                            Label {
                                objectName: "volumeValue"
                                Layout.preferredWidth: 32
                                horizontalAlignment: Text.AlignRight
                                text: Math.round(volumeSlider.value)
                                color: "#263238"
                            }
                        }
                        Button {
                            objectName: "fullVolumeButton"
                            Layout.alignment: Qt.AlignRight
                            flat: true
                            text: app.text("full volume")
                            onClicked: panel.remote.fullVolume()
                        }
                    }
                }
                Item {
                    Layout.fillHeight: true
                }
            }

            // Music, slides, gamepad: the pad and the hint line under it.
            ColumnLayout {
                anchors.fill: parent
                anchors.margins: 20
                spacing: 16
                visible: panel.remote.pad.length > 0
                Item {
                    Layout.fillHeight: true
                }
                RemotePad {
                    objectName: "pad"
                    Layout.alignment: Qt.AlignHCenter
                    Layout.preferredWidth: Math.min(area.width - 40, 320)
                    Layout.preferredHeight: Layout.preferredWidth
                    controls: panel.remote.pad
                    centreLabel: panel.remote.centreLabel
                    onPressed: tag => panel.remote.pressPad(tag)
                }
                Label {
                    objectName: "hintLine"
                    Layout.fillWidth: true
                    horizontalAlignment: Text.AlignHCenter
                    wrapMode: Text.WordWrap
                    visible: text !== ""
                    text: panel.remote.hint
                    color: "#546E7A"
                }
                Item {
                    Layout.fillHeight: true
                }
            }

            // Microphone: the button, the level it hears and how far the computer lags behind.
            ColumnLayout {
                anchors.centerIn: parent
                spacing: 20
                visible: panel.remote.microphone
                RoundButton {
                    objectName: "micButton"
                    Layout.alignment: Qt.AlignHCenter
                    id: micButton
                    readonly property bool running: panel.remote.micRunning
                    implicitWidth: 140
                    implicitHeight: 140
                    background: Rectangle {
                        radius: width / 2
                        color: micButton.running ? (micButton.down ? "#8E0000" : "#C62828")
                                                 : (micButton.down ? "#0D47A1" : "#1565C0")
                    }
                    contentItem: Item {
                        RemoteIcon {
                            anchors.centerIn: parent
                            width: 64
                            height: 64
                            name: "mic"
                        }
                    }
                    onClicked: panel.remote.pressMic()
                }
                Label {
                    objectName: "micState"
                    Layout.alignment: Qt.AlignHCenter
                    text: app.text(panel.remote.micRunning ? "tap to stop" : "tap to speak")
                    color: "#546E7A"
                }
                // The level image: 0 (silent) to 7, as lit bars.
                RowLayout {
                    Layout.alignment: Qt.AlignHCenter
                    spacing: 14
                    Row {
                        objectName: "micLevel"
                        property int level: panel.remote.micLevel
                        spacing: 6
                        height: 52
                        Repeater {
                            model: 7
                            Rectangle {
                                anchors.bottom: parent.bottom
                                width: 12
                                height: 10 + index * 7
                                radius: 3
                                color: index < panel.remote.micLevel ? (index < 5 ? "#43A047" : "#F9A825") : "#CFD8DC"
                            }
                        }
                    }
                    Label {
                        objectName: "micDelay"
                        Layout.alignment: Qt.AlignBottom
                        visible: panel.remote.micRunning
                        text: app.text("mic delay") + " " + panel.remote.micDelay + " ms"
                        color: "#546E7A"
                    }
                }
                Label {
                    Layout.alignment: Qt.AlignHCenter
                    text: app.text("mic")
                    color: "#546E7A"
                }
            }
        }
    }

    CaptureViewer {
        anchors.fill: parent
        images: panel.remote.viewerImages
        startIndex: panel.remote.viewerStart
        showActions: true
        onClosed: panel.remote.closeViewer()
        onCaptureAgain: panel.remote.captureAgain()
        onViewAll: panel.remote.viewAllCaptures()
    }

    Connections {
        target: panel.remote
        function onPickerOpened(picker) {
            panel.picker = picker
            panel.stack.push(diskPage, { disk: picker, picking: true })
        }
        function onHistoryOpened(history) {
            panel.stack.push(historyPage, { history: history })
        }
        function onHotspotOpened(hotspot) {
            panel.stack.push(hotspotPage, { hotspot: hotspot })
        }
        function onGamepadSettingsOpened(settings) {
            panel.stack.push(gamepadSettingsPage, { settings: settings })
        }
        function onGamepadOpened(pad) {
            // A newer pad takes the place of one still shown.
            if (panel.stack.depth > 1)
                panel.stack.pop(null, StackView.Immediate)
            panel.stack.push(gamepadPage, { pad: pad })
        }
        function onBackToPanel() {
            panel.picker = null
            panel.stack.pop(null)
        }
    }
    Connections {
        target: panel.picker
        function onFolderOpened(folder) {
            panel.stack.push(folderPage, { folder: folder, stack: panel.stack })
        }
    }
    Component {
        id: diskPage
        DiskPage {}
    }
    Component {
        id: folderPage
        FolderPage {}
    }
    Component {
        id: historyPage
        CaptureHistoryPage {}
    }
    Component {
        id: hotspotPage
        HotspotPage {}
    }
    Component {
        id: gamepadSettingsPage
        GamepadSettingsPage {}
    }
    Component {
        id: gamepadPage
        GamepadPage {}
    }
}
