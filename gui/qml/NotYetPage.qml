import QtQuick
import QtQuick.Controls

// A tab whose screen is not in this version.
Page {
    property string heading
    header: AppBar {
        Label {
            anchors.centerIn: parent
            text: heading
            color: "white"
            font.pixelSize: 18
        }
    }
    Label {
        anchors.centerIn: parent
        text: app.text("not yet")
        color: "#78909C"
    }
}
