import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// The pad, held sideways: on a portrait window its content turns a quarter so that the long
// side runs across. The direction pad on the left, the face buttons on the right, shoulder
// buttons along the top, select and start between. Each control takes its own touch point.
Page {
    id: padScreen
    property var pad
    background: Rectangle {
        color: "#263238"
    }

    // A hidden page (another tab, the window in the background) lifts every key.
    onVisibleChanged: if (!visible && pad) pad.leave()
    Connections {
        target: Qt.application
        function onStateChanged() {
            if (Qt.application.state !== Qt.ApplicationActive && padScreen.pad)
                padScreen.pad.leave()
        }
    }

    Item {
        id: landscape
        readonly property bool turned: padScreen.width < padScreen.height
        anchors.centerIn: parent
        width: turned ? padScreen.height : padScreen.width
        height: turned ? padScreen.width : padScreen.height
        rotation: turned ? 90 : 0
        readonly property real control: Math.min(height * 0.62, width * 0.3)

        // Shoulders along the top edge, exit between them.
        Row {
            anchors.left: parent.left
            anchors.top: parent.top
            anchors.margins: 14
            spacing: 10
            PadButton { pad: padScreen.pad; tag: 10; text: "L2"; round: false; width: 84; height: 44; keyName: padScreen.keyOf(tag) }
            PadButton { pad: padScreen.pad; tag: 9; text: "L1"; round: false; width: 84; height: 44; keyName: padScreen.keyOf(tag) }
        }
        Row {
            anchors.right: parent.right
            anchors.top: parent.top
            anchors.margins: 14
            spacing: 10
            PadButton { pad: padScreen.pad; tag: 11; text: "R1"; round: false; width: 84; height: 44; keyName: padScreen.keyOf(tag) }
            PadButton { pad: padScreen.pad; tag: 12; text: "R2"; round: false; width: 84; height: 44; keyName: padScreen.keyOf(tag) }
        }
        PadButton {
            objectName: "padExit"
            pad: padScreen.pad
            tag: 104
            anchors.horizontalCenter: parent.horizontalCenter
            anchors.top: parent.top
            anchors.topMargin: 14
            width: 96
            height: 36
            round: false
            tint: "#C62828"
            text: app.text("gamepad exit")
        }

        // The direction pad. Its own coordinates are turned a quarter back, so that "up" (the
        // cell at the far end of x) points to the top of the landscape.
        Item {
            id: direction
            objectName: "directionPad"
            width: landscape.control
            height: width
            x: landscape.width * 0.2 - width / 2
            y: (landscape.height + 58 - height) / 2
            rotation: -90
            onWidthChanged: if (padScreen.pad) padScreen.pad.setPadSize(width, height)
            onHeightChanged: if (padScreen.pad) padScreen.pad.setPadSize(width, height)

            Rectangle {
                anchors.fill: parent
                radius: width / 2
                color: "#37474F"
                border.color: "#546E7A"
                border.width: 2
            }
            // One picture per cell (column * 3 + row), the one touched lit; the diagonals light
            // up but send nothing.
            Repeater {
                model: 9
                Item {
                    readonly property int column: Math.floor(index / 3)
                    readonly property int row: index % 3
                    readonly property bool lit: padScreen.pad && padScreen.pad.direction === index && index !== 4
                    objectName: "directionCell_" + index
                    x: column * direction.width / 3
                    y: row * direction.height / 3
                    width: direction.width / 3
                    height: direction.height / 3
                    Rectangle {
                        anchors.centerIn: parent
                        width: parent.width * 0.8
                        height: width
                        radius: width / 2
                        color: parent.lit ? "#1E88E5" : "transparent"
                    }
                    GamepadGlyph {
                        anchors.centerIn: parent
                        readonly property bool straight: column === 1 || row === 1
                        visible: index !== 4
                        width: parent.width * (straight ? 0.5 : 0.3)
                        height: width
                        name: "arrow"
                        angle: Math.atan2(row - 1, column - 1) * 180 / Math.PI
                        color: parent.lit ? "white" : (straight ? "#CFD8DC" : "#78909C")
                    }
                }
            }
            MultiPointTouchArea {
                anchors.fill: parent
                maximumTouchPoints: 1
                onPressed: touchPoints => {
                    padScreen.pad.setPadSize(width, height)
                    padScreen.pad.directionPressed(touchPoints[0].x, touchPoints[0].y)
                }
                onUpdated: touchPoints => padScreen.pad.directionMoved(touchPoints[0].x, touchPoints[0].y)
                onReleased: padScreen.pad.directionReleased()
                onCanceled: padScreen.pad.directionCancelled()
            }
        }

        // The face buttons in a diamond.
        Item {
            id: face
            width: landscape.control
            height: width
            x: landscape.width * 0.8 - width / 2
            y: direction.y
            readonly property real size: width * 0.34
            PadButton { pad: padScreen.pad; tag: 8; glyph: "triangle"; tint: "#00897B"; width: face.size; height: width; x: (face.width - width) / 2; y: 0; keyName: padScreen.keyOf(tag) }
            PadButton { pad: padScreen.pad; tag: 5; glyph: "square"; tint: "#8E24AA"; width: face.size; height: width; x: 0; y: (face.height - height) / 2; keyName: padScreen.keyOf(tag) }
            PadButton { pad: padScreen.pad; tag: 6; glyph: "ring"; tint: "#E53935"; width: face.size; height: width; x: face.width - width; y: (face.height - height) / 2; keyName: padScreen.keyOf(tag) }
            PadButton { pad: padScreen.pad; tag: 7; glyph: "cross"; tint: "#1E88E5"; width: face.size; height: width; x: (face.width - width) / 2; y: face.height - height; keyName: padScreen.keyOf(tag) }
        }

        // Select and start, between the two.
        Row {
            anchors.horizontalCenter: parent.horizontalCenter
            y: direction.y + direction.height / 2 - height / 2
            spacing: 16
            PadButton { pad: padScreen.pad; tag: 102; text: app.text("gamepad select"); round: false; width: 88; height: 36; keyName: "" }
            PadButton { pad: padScreen.pad; tag: 103; text: app.text("gamepad start"); round: false; width: 88; height: 36; keyName: "" }
        }
    }

    function keyOf(tag) {
        return padScreen.pad && padScreen.pad.keys[tag] !== undefined ? padScreen.pad.keys[tag] : ""
    }
}
