import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// The file manager's first screen: the class menu and the drives, desktop or class folders.
Page {
    id: diskScreen
    property var disk
    // The presentation picker: a back button instead of the transfers.
    property bool picking: false
    signal openDownloads()

    header: AppBar {
        RowLayout {
            anchors.fill: parent
            anchors.leftMargin: diskScreen.picking ? 0 : 16
            ToolButton {
                objectName: "pickerBack"
                visible: diskScreen.picking
                text: "‹"
                font.pixelSize: 26
                onClicked: diskScreen.disk.back()
            }
            Label {
                objectName: "diskTitle"
                Layout.fillWidth: true
                text: diskScreen.disk.title
                color: "white"
                font.pixelSize: 18
                elide: Text.ElideRight
            }
            ToolButton {
                objectName: "downloadsButton"
                visible: !diskScreen.picking
                text: app.text("transfer tasks")
                onClicked: diskScreen.openDownloads()
            }
            ToolButton {
                objectName: "moreButton"
                visible: !diskScreen.picking
                text: "⋮"
                font.pixelSize: 22
                onClicked: diskScreen.disk.openMore()
            }
        }
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 0
        TopMenu {
            Layout.fillWidth: true
            labels: diskScreen.disk.menu
            selected: diskScreen.disk.selectedMenu
            onPicked: index => diskScreen.disk.selectMenu(index)
        }
        ListView {
            id: list
            objectName: "diskList"
            Layout.fillWidth: true
            Layout.fillHeight: true
            clip: true
            visible: diskScreen.disk.listVisible
            model: diskScreen.disk.rows
            delegate: BrowserRowDelegate {
                objectName: "diskRow_" + index
                width: list.width
                onClicked: diskScreen.disk.tap(index)
                actions: model.canRemove
                         ? [{ text: app.text("remove from class"), run: () => diskScreen.disk.removeFromClass(index) }]
                         : []
            }
        }
        EmptyState {
            Layout.fillWidth: true
            Layout.fillHeight: true
            Layout.margins: 32
            visible: !diskScreen.disk.listVisible && picture !== ""
            picture: diskScreen.disk.emptyPicture
        }
        Button {
            objectName: "addFolderButton"
            Layout.alignment: Qt.AlignHCenter
            Layout.margins: 12
            visible: diskScreen.disk.addFolderVisible
            text: app.text("add other folder")
            onClicked: diskScreen.disk.addOtherFolder()
        }
    }
}
