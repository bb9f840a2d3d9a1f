import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material
import QtQuick.Layouts

// The first-run introduction: its pages, then a button that fades it out and starts a search.
Rectangle {
    id: intro
    property int pages: 0
    signal finished()

    visible: pages > 0 || fade.running
    color: "#1565C0"
    Material.foreground: "white"
    MouseArea { anchors.fill: parent }

    NumberAnimation on opacity {
        id: fade
        running: false
        to: 0
        duration: 500
        onFinished: intro.finished()
    }
    onPagesChanged: if (pages > 0) opacity = 1

    SwipeView {
        id: swipe
        anchors.fill: parent
        Repeater {
            model: intro.pages
            Item {
                ColumnLayout {
                    anchors.centerIn: parent
                    width: parent.width - 64
                    spacing: 24
                    Label {
                        Layout.alignment: Qt.AlignHCenter
                        text: ["⌕", "⚿", "▤", "☁"][index % 4]
                        font.pixelSize: 72
                        color: "white"
                    }
                    Label {
                        Layout.fillWidth: true
                        horizontalAlignment: Text.AlignHCenter
                        wrapMode: Text.WordWrap
                        text: app.text("intro" + (index + 1))
                        font.pixelSize: 18
                        color: "white"
                    }
                }
            }
        }
    }
    Button {
        objectName: "introNext"
        anchors.bottom: parent.bottom
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.bottomMargin: 80
        readonly property bool last: swipe.currentIndex >= intro.pages - 1
        flat: true
        font.pixelSize: 18
        text: app.text(last ? "introDone" : "next")
        onClicked: last ? fade.start() : swipe.incrementCurrentIndex()
    }
    PageIndicator {
        anchors.bottom: parent.bottom
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.bottomMargin: 32
        count: swipe.count
        currentIndex: swipe.currentIndex
        // Hidden on the last page, where the button is.
        visible: swipe.currentIndex < intro.pages - 1
    }
}
