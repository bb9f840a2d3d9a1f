import QtQuick
import QtQuick.Controls

// What a list shows when it has nothing: the picture named by the screen and its caption.
Column {
    id: empty
    property string picture: ""
    spacing: 16
    visible: picture !== ""

    Rectangle {
        anchors.horizontalCenter: parent.horizontalCenter
        width: 120
        height: 120
        radius: 60
        color: "#ECEFF1"
        IconTile {
            anchors.centerIn: parent
            size: 56
            name: empty.picture.indexOf("Download") >= 0 ? "format_zip.png" : "format_folder.png"
            opacity: 0.6
        }
    }
    Label {
        objectName: "emptyCaption"
        width: empty.width
        horizontalAlignment: Text.AlignHCenter
        wrapMode: Text.WordWrap
        color: "#607D8B"
        text: empty.picture === "" ? "" : app.text(empty.picture.replace(/\.png$/, ""))
    }
}
