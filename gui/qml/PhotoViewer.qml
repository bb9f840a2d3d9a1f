import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material

// The photo viewer: the folder's pictures, fetched over their signed links, swiped through
// from the one tapped.
Rectangle {
    id: viewer
    property var photos: []
    property int startIndex: 0
    signal closed()

    visible: photos.length > 0
    color: "black"
    MouseArea { anchors.fill: parent }

    SwipeView {
        id: swipe
        anchors.fill: parent
        currentIndex: viewer.startIndex
        Repeater {
            model: viewer.photos
            Item {
                Image {
                    anchors.fill: parent
                    source: modelData
                    fillMode: Image.PreserveAspectFit
                    asynchronous: true
                }
                BusyIndicator {
                    anchors.centerIn: parent
                    running: parent.children[0].status === Image.Loading
                }
            }
        }
    }
    Label {
        anchors.top: parent.top
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.topMargin: 16
        text: (swipe.currentIndex + 1) + " / " + viewer.photos.length
        color: "white"
    }
    ToolButton {
        objectName: "closePhotos"
        anchors.top: parent.top
        anchors.right: parent.right
        text: "✕"
        font.pixelSize: 20
        Material.foreground: "white"
        onClicked: viewer.closed()
    }
}
