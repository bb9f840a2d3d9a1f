import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// A file's preview: its progress while it arrives, then the picture, or a note that the
// desktop's application opened it.
Page {
    id: previewScreen
    property var preview
    property var stack

    header: AppBar {
        RowLayout {
            anchors.fill: parent
            ToolButton {
                objectName: "previewBack"
                text: "‹"
                font.pixelSize: 26
                onClicked: previewScreen.preview.back()
            }
            Label {
                objectName: "previewTitle"
                Layout.fillWidth: true
                text: previewScreen.preview ? previewScreen.preview.title : ""
                color: "white"
                font.pixelSize: 18
                elide: Text.ElideMiddle
            }
        }
    }

    Image {
        objectName: "previewImage"
        anchors.fill: parent
        visible: source.toString() !== ""
        source: previewScreen.preview ? previewScreen.preview.imageSource : ""
        fillMode: Image.PreserveAspectFit
        asynchronous: true
    }

    ColumnLayout {
        anchors.centerIn: parent
        width: parent.width - 64
        spacing: 16
        visible: !previewScreen.preview || previewScreen.preview.imageSource.toString() === ""
        IconTile {
            Layout.alignment: Qt.AlignHCenter
            size: 96
            name: previewScreen.preview ? previewScreen.preview.icon : ""
        }
        ProgressBar {
            objectName: "previewProgress"
            Layout.fillWidth: true
            value: previewScreen.preview ? previewScreen.preview.progress : 0
        }
        Label {
            objectName: "previewStatus"
            Layout.fillWidth: true
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.WordWrap
            color: "#546E7A"
            text: !previewScreen.preview ? ""
                  : previewScreen.preview.openedPath !== "" ? app.text("opened outside")
                  : previewScreen.preview.loadingText
        }
    }

    Connections {
        target: previewScreen.preview
        function onClosed() {
            if (previewScreen.stack.currentItem === previewScreen)
                previewScreen.stack.pop()
        }
    }
}
