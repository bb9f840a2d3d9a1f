import QtQuick
import QtQuick.Controls

// A big square control of the computer section: an icon on a coloured tile and its label.
AbstractButton {
    id: tile
    property string glyph: ""
    property color tint: "#1565C0"
    implicitWidth: 100
    implicitHeight: 104

    background: Rectangle {
        radius: 16
        color: tile.down ? Qt.darker(tile.tint, 1.25) : tile.tint
    }
    contentItem: Column {
        spacing: 8
        topPadding: 18
        RemoteIcon {
            anchors.horizontalCenter: parent.horizontalCenter
            width: 36
            height: 36
            name: tile.glyph
        }
        Label {
            width: tile.width - 8
            anchors.horizontalCenter: parent.horizontalCenter
            horizontalAlignment: Text.AlignHCenter
            elide: Text.ElideRight
            text: tile.text
            color: "white"
            font.pixelSize: 13
        }
    }
}
