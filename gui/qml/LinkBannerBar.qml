import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material
import QtQuick.Layouts

// The banner while a dropped link is restored: a spinner with "Reconnecting to …", then what
// was restored, on green, for a few seconds.
Rectangle {
    id: bar
    property var banner
    objectName: "linkBanner"
    visible: banner.text !== ""
    height: row.implicitHeight + 20
    anchors.margins: 10
    radius: 10
    color: banner.reconnecting ? "#EE263238" : "#EE2E7D32"
    RowLayout {
        id: row
        anchors.fill: parent
        anchors.leftMargin: 14
        anchors.rightMargin: 14
        spacing: 10
        BusyIndicator {
            visible: bar.banner.reconnecting
            running: visible
            implicitWidth: 28
            implicitHeight: 28
            Material.accent: "white"
        }
        Label {
            objectName: "linkBannerText"
            Layout.fillWidth: true
            text: bar.banner.text
            wrapMode: Text.WordWrap
            color: "white"
            font.pixelSize: 14
        }
    }
}
