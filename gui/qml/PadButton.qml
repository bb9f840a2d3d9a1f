import QtQuick
import QtQuick.Controls

// A button of the pad, by tag: pressed and lifted with its own touch point, so it works while
// another finger holds the direction pad or another button. A lift outside still reports.
Item {
    id: button
    property var pad
    property int tag: 0
    property string glyph: ""     // a GamepadGlyph name, or
    property string text: ""      // a label
    property string keyName: ""   // the key it sends, shown small
    property color tint: "#37474F"
    property bool round: true
    readonly property bool held: area.held

    implicitWidth: 64
    implicitHeight: 64

    Rectangle {
        anchors.fill: parent
        radius: button.round ? Math.min(width, height) / 2 : 12
        color: button.held ? Qt.darker(button.tint, 1.5) : button.tint
        border.color: Qt.lighter(button.tint, 1.4)
        border.width: 2
    }
    GamepadGlyph {
        anchors.centerIn: parent
        anchors.verticalCenterOffset: button.keyName !== "" ? -6 : 0
        width: Math.min(parent.width, parent.height) * 0.42
        height: width
        visible: button.glyph !== ""
        name: button.glyph
        color: "white"
    }
    Label {
        anchors.centerIn: parent
        anchors.verticalCenterOffset: button.keyName !== "" ? -6 : 0
        visible: button.glyph === ""
        text: button.text
        color: "white"
        font.bold: true
        font.pixelSize: 15
    }
    Label {
        objectName: "padKeyName_" + button.tag
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.bottom: parent.bottom
        anchors.bottomMargin: Math.min(parent.height * 0.12, 8)
        visible: button.keyName !== ""
        text: button.keyName
        color: "#ECEFF1"
        font.pixelSize: 12
    }

    MultiPointTouchArea {
        id: area
        objectName: "padButton_" + button.tag
        property bool held: false
        anchors.fill: parent
        maximumTouchPoints: 1
        onPressed: {
            held = true
            button.pad.buttonDown(button.tag)
        }
        onReleased: touchPoints => {
            held = false
            const p = touchPoints[0]
            button.pad.buttonUp(button.tag, p.x >= 0 && p.y >= 0 && p.x <= width && p.y <= height)
        }
        onCanceled: {
            held = false
            button.pad.buttonCancelled(button.tag)
        }
    }
}
