import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material
import QtQuick.Layouts

// The capture viewer: the captures swiped through from the one given, with "capture again" and
// "view all" when opened from the panel. A swipe down or the close button dismisses it.
Rectangle {
    id: viewer
    property var images: []
    property int startIndex: 0
    property bool showActions: false
    signal closed()
    signal captureAgain()
    signal viewAll()

    objectName: "captureViewer"
    visible: images.length > 0
    color: "black"
    MouseArea { anchors.fill: parent }

    SwipeView {
        id: swipe
        anchors.fill: parent
        currentIndex: viewer.startIndex
        Repeater {
            model: viewer.images
            Item {
                Image {
                    id: picture
                    objectName: "captureImage_" + index
                    anchors.fill: parent
                    visible: !modelData.placeholder
                    source: modelData.placeholder ? "" : modelData.source
                    fillMode: Image.PreserveAspectFit
                    asynchronous: true
                }
                // A file that is no picture: a grey frame with a crossed-out picture.
                Rectangle {
                    objectName: "capturePlaceholder_" + index
                    anchors.centerIn: parent
                    visible: modelData.placeholder || picture.status === Image.Error
                    width: 160
                    height: 120
                    radius: 12
                    color: "#37474F"
                    Rectangle {
                        anchors.centerIn: parent
                        width: 150
                        height: 3
                        rotation: -37
                        color: "#78909C"
                    }
                    IconTile {
                        anchors.centerIn: parent
                        size: 48
                        name: "format_picture.png"
                        opacity: 0.7
                    }
                }
            }
        }
    }
    // Swipe down to dismiss.
    DragHandler {
        id: dismiss
        target: null
        xAxis.enabled: false
        property real dy: 0
        onTranslationChanged: dy = translation.y
        onActiveChanged: {
            if (!active && dy > 120)
                viewer.closed()
            dy = 0
        }
    }

    Label {
        anchors.top: parent.top
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.topMargin: 16
        visible: viewer.images.length > 1
        text: (swipe.currentIndex + 1) + " / " + viewer.images.length
        color: "white"
    }
    ToolButton {
        objectName: "closeCapture"
        anchors.top: parent.top
        anchors.right: parent.right
        text: "✕"
        font.pixelSize: 20
        Material.foreground: "white"
        onClicked: viewer.closed()
    }
    RowLayout {
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        anchors.margins: 16
        visible: viewer.showActions
        spacing: 12
        Button {
            objectName: "captureAgainButton"
            Layout.fillWidth: true
            Material.elevation: 0
            highlighted: true
            text: app.text("capture again")
            onClicked: viewer.captureAgain()
        }
        Button {
            objectName: "viewAllButton"
            Layout.fillWidth: true
            Material.elevation: 0
            highlighted: true
            Material.accent: "#455A64"
            text: app.text("view all")
            onClicked: viewer.viewAll()
        }
    }
}
