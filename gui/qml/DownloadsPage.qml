import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// The download list: finished files in their groups, and running downloads with their
// progress and pause/resume control.
Page {
    id: downloadsScreen
    property var downloads
    property var stack

    header: AppBar {
        RowLayout {
            anchors.fill: parent
            ToolButton {
                objectName: "downloadsBack"
                text: "‹"
                font.pixelSize: 26
                onClicked: downloadsScreen.downloads.back()
            }
            Label {
                Layout.fillWidth: true
                text: downloadsScreen.downloads ? downloadsScreen.downloads.title : ""
                color: "white"
                font.pixelSize: 18
            }
        }
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 0
        TopMenu {
            Layout.fillWidth: true
            labels: downloadsScreen.downloads ? downloadsScreen.downloads.tabs : []
            selected: downloadsScreen.downloads ? downloadsScreen.downloads.selectedTab : 0
            onPicked: index => downloadsScreen.downloads.selectTab(index)
        }
        StackLayout {
            Layout.fillWidth: true
            Layout.fillHeight: true
            visible: downloadsScreen.downloads && downloadsScreen.downloads.tableVisible
            currentIndex: downloadsScreen.downloads ? downloadsScreen.downloads.selectedTab : 0

            ListView {
                id: finishedList
                objectName: "finishedList"
                clip: true
                model: downloadsScreen.downloads ? downloadsScreen.downloads.finished : null
                delegate: ItemDelegate {
                    objectName: model.isHeader ? "finishedHeader_" + model.section
                                               : "finishedRow_" + model.section + "_" + model.row
                    width: finishedList.width
                    height: model.isHeader ? 40 : 64
                    onClicked: model.isHeader ? downloadsScreen.downloads.toggleSection(model.section)
                                              : downloadsScreen.downloads.open(model.section, model.row)
                    contentItem: RowLayout {
                        spacing: 12
                        Label {
                            visible: model.isHeader
                            text: (model.collapsed ? "▸ " : "▾ ") + model.title
                            font.bold: true
                            color: "#546E7A"
                        }
                        IconTile {
                            visible: !model.isHeader
                            name: model.icon
                        }
                        ColumnLayout {
                            visible: !model.isHeader
                            Layout.fillWidth: true
                            spacing: 2
                            Label {
                                Layout.fillWidth: true
                                text: model.title
                                elide: Text.ElideMiddle
                            }
                            Label {
                                text: model.time
                                color: "#78909C"
                                font.pixelSize: 12
                            }
                        }
                        ToolButton {
                            objectName: "deleteFinished_" + model.section + "_" + model.row
                            visible: !model.isHeader
                            text: "✕"
                            onClicked: downloadsScreen.downloads.remove(model.section, model.row)
                        }
                    }
                }
            }
            ListView {
                id: runningList
                objectName: "runningList"
                clip: true
                model: downloadsScreen.downloads ? downloadsScreen.downloads.running : null
                delegate: ItemDelegate {
                    objectName: "runningRow_" + index
                    width: runningList.width
                    height: 72
                    contentItem: RowLayout {
                        spacing: 12
                        IconTile {
                            name: model.icon
                        }
                        ColumnLayout {
                            Layout.fillWidth: true
                            spacing: 4
                            Label {
                                Layout.fillWidth: true
                                text: model.name
                                elide: Text.ElideMiddle
                            }
                            ProgressBar {
                                Layout.fillWidth: true
                                value: model.progress
                            }
                            Label {
                                text: model.progressText
                                color: "#78909C"
                                font.pixelSize: 12
                            }
                        }
                        Button {
                            objectName: "pauseResume_" + index
                            flat: true
                            text: app.text(model.paused ? "resume" : "pause")
                            onClicked: downloadsScreen.downloads.pauseOrResume(index)
                        }
                    }
                }
            }
        }
        EmptyState {
            Layout.fillWidth: true
            Layout.fillHeight: true
            Layout.margins: 32
            visible: downloadsScreen.downloads && !downloadsScreen.downloads.tableVisible
                     || (downloadsScreen.downloads && downloadsScreen.downloads.selectedTab === 1
                         && runningList.count === 0 && picture !== "")
            picture: downloadsScreen.downloads ? downloadsScreen.downloads.emptyPicture : ""
        }
    }

    Connections {
        target: downloadsScreen.downloads
        function onPreviewOpened(preview) {
            downloadsScreen.stack.push(previewPage, { preview: preview, stack: downloadsScreen.stack })
        }
        function onClosed() {
            if (downloadsScreen.stack.currentItem === downloadsScreen)
                downloadsScreen.stack.pop()
        }
    }
    Component {
        id: previewPage
        PreviewPage {}
    }
}
