import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// A folder of the computer: its path line, its entries and their actions. Back goes up one
// folder; the screen closes at its top.
Page {
    id: folderScreen
    property var folder
    property var stack

    header: AppBar {
        RowLayout {
            anchors.fill: parent
            ToolButton {
                objectName: "backButton"
                text: "‹"
                font.pixelSize: 26
                onClicked: folderScreen.folder.back()
            }
            Label {
                objectName: "folderTitle"
                Layout.fillWidth: true
                text: folderScreen.folder ? folderScreen.folder.title : ""
                color: "white"
                font.pixelSize: 18
                elide: Text.ElideRight
            }
        }
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 0
        Label {
            objectName: "pathLine"
            Layout.fillWidth: true
            Layout.margins: 8
            Layout.leftMargin: 16
            visible: text !== ""
            text: folderScreen.folder ? folderScreen.folder.pathLine : ""
            color: "#546E7A"
            elide: Text.ElideLeft
        }
        ListView {
            id: list
            objectName: "folderList"
            Layout.fillWidth: true
            Layout.fillHeight: true
            clip: true
            visible: folderScreen.folder && folderScreen.folder.listVisible
            model: folderScreen.folder ? folderScreen.folder.rows : null
            reuseItems: true
            ScrollIndicator.vertical: ScrollIndicator {}
            delegate: BrowserRowDelegate {
                objectName: "folderRow_" + index
                width: list.width
                onClicked: folderScreen.folder.tap(index)
                onToggled: folderScreen.folder.toggle(index)
                actions: {
                    var a = []
                    if (model.canDownload)
                        a.push({ text: app.text("download"), run: () => folderScreen.folder.download(index) })
                    if (model.canMore)
                        a.push({ text: app.text("more"), run: () => folderScreen.folder.more(index) })
                    return a
                }
            }
        }
        EmptyState {
            Layout.fillWidth: true
            Layout.fillHeight: true
            Layout.margins: 32
            visible: folderScreen.folder && !folderScreen.folder.listVisible && picture !== ""
            picture: folderScreen.folder ? folderScreen.folder.emptyPicture : ""
        }
    }

    PhotoViewer {
        anchors.fill: parent
        photos: folderScreen.folder ? folderScreen.folder.photos : []
        startIndex: folderScreen.folder ? folderScreen.folder.photoIndex : 0
        onClosed: folderScreen.folder.closePhotos()
    }

    Connections {
        target: folderScreen.folder
        function onPreviewOpened(preview) {
            folderScreen.stack.push(previewPage, { preview: preview, stack: folderScreen.stack })
        }
        function onClosed() {
            if (folderScreen.stack.currentItem === folderScreen)
                folderScreen.stack.pop()
        }
    }
    Component {
        id: previewPage
        PreviewPage {}
    }
}
