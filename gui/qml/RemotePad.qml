import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material

// The five-position pad of the music, slide and gamepad sections: left, right, up and down
// round the centre toggle. A blank control shows nothing and takes no taps.
Item {
    id: pad
    property var controls: []
    property string centreLabel: ""
    signal pressed(int tag)

    implicitWidth: 300
    implicitHeight: 300

    function control(position) {
        for (var i = 0; i < controls.length; ++i)
            if (controls[i].position === position)
                return controls[i]
        return null
    }

    // The ring the four directions sit on.
    Rectangle {
        anchors.centerIn: parent
        width: Math.min(parent.width, parent.height)
        height: width
        radius: width / 2
        color: "#ECEFF1"
    }

    Repeater {
        model: ["left", "right", "up", "down", "centre"]
        RoundButton {
            id: key
            readonly property var entry: pad.control(modelData)
            readonly property bool centre: modelData === "centre"
            readonly property real ring: Math.min(pad.width, pad.height)
            objectName: "pad_" + modelData
            visible: entry !== null
            enabled: entry !== null && entry.enabled
            width: centre ? ring * 0.36 : ring * 0.3
            height: width
            x: pad.width / 2 - width / 2 + (modelData === "left" ? -ring * 0.33 : modelData === "right" ? ring * 0.33 : 0)
            y: pad.height / 2 - height / 2 + (modelData === "up" ? -ring * 0.33 : modelData === "down" ? ring * 0.33 : 0)
            Material.foreground: centre ? "white" : "#263238"
            // Drawn here: flat, without the style's shadow effect.
            background: Rectangle {
                radius: width / 2
                color: key.centre ? (key.down ? "#0D47A1" : "#1565C0")
                                  : (key.down ? "#CFD8DC" : "white")
                border.color: key.centre ? "transparent" : "#CFD8DC"
                visible: key.enabled
            }
            font.pixelSize: centre ? 15 : 12
            font.capitalization: Font.MixedCase
            text: entry === null ? "" : (centre ? pad.centreLabel : entry.label)
            contentItem: Label {
                text: key.text
                font: key.font
                color: key.Material.foreground
                horizontalAlignment: Text.AlignHCenter
                verticalAlignment: Text.AlignVCenter
                wrapMode: Text.WordWrap
                maximumLineCount: 2
                elide: Text.ElideRight
            }
            onClicked: pad.pressed(entry.tag)
        }
    }
}
