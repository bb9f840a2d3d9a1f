import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material
import QtQuick.Layouts

// The photo browser over the backup screen: the library as a grid of thumbnails; a tap picks or
// unpicks a photo, and closing the browser backs up what was picked.
Rectangle {
    id: browser
    property var backup

    visible: backup && backup.browserOpen
    color: "white"
    // The screen below takes no taps while the browser is open.
    MouseArea { anchors.fill: parent }

    ColumnLayout {
        anchors.fill: parent
        spacing: 0
        AppBar {
            Layout.fillWidth: true
            RowLayout {
                anchors.fill: parent
                anchors.leftMargin: 16
                Label {
                    Layout.fillWidth: true
                    text: app.text("select backup")
                    color: "white"
                    font.pixelSize: 17
                    elide: Text.ElideRight
                }
                Label {
                    objectName: "pickedCount"
                    text: browser.backup ? browser.backup.photos.pickedCount + "/" + browser.backup.photos.count : ""
                    color: "white"
                }
                ToolButton {
                    objectName: "browserDone"
                    text: app.text("ok")
                    onClicked: browser.backup.closeBrowser()
                }
            }
        }
        GridView {
            id: grid
            objectName: "photoGrid"
            Layout.fillWidth: true
            Layout.fillHeight: true
            clip: true
            cellWidth: Math.floor(width / 3)
            cellHeight: cellWidth
            model: browser.backup ? browser.backup.photos : null
            ScrollIndicator.vertical: ScrollIndicator {}
            delegate: Item {
                objectName: "photoCell_" + index
                width: grid.cellWidth
                height: grid.cellHeight
                Rectangle {
                    anchors.fill: parent
                    anchors.margins: 1
                    color: "#ECEFF1"
                    clip: true
                    Image {
                        anchors.fill: parent
                        source: model.image
                        // Decoded at the cell's size: a grid of camera photos stays small.
                        sourceSize: Qt.size(grid.cellWidth, grid.cellHeight)
                        fillMode: Image.PreserveAspectCrop
                        asynchronous: true
                    }
                    Rectangle {
                        anchors.fill: parent
                        color: "#1565C0"
                        opacity: model.picked ? 0.25 : 0
                    }
                    Rectangle {
                        anchors.top: parent.top
                        anchors.right: parent.right
                        anchors.margins: 6
                        width: 26
                        height: 26
                        radius: 13
                        border.color: "white"
                        border.width: 2
                        color: model.picked ? browser.Material.accent : "#40000000"
                        Label {
                            anchors.centerIn: parent
                            text: model.picked ? "✓" : ""
                            color: "white"
                            font.bold: true
                        }
                    }
                }
                MouseArea {
                    anchors.fill: parent
                    onClicked: browser.backup.togglePhoto(index)
                }
            }
        }
    }
}
