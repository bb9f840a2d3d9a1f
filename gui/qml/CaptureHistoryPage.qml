import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material
import QtQuick.Layouts

// The captures kept on the phone: name and age of each, a swipe to the left reveals delete, a
// tap shows the capture.
Page {
    id: historyScreen
    property var history

    header: AppBar {
        RowLayout {
            anchors.fill: parent
            ToolButton {
                objectName: "historyBack"
                text: "‹"
                font.pixelSize: 26
                onClicked: historyScreen.history.back()
            }
            Label {
                objectName: "historyTitle"
                Layout.fillWidth: true
                text: historyScreen.history ? historyScreen.history.title : ""
                color: "white"
                font.pixelSize: 18
                elide: Text.ElideRight
            }
        }
    }

    ListView {
        id: list
        objectName: "historyList"
        anchors.fill: parent
        clip: true
        visible: historyScreen.history && !historyScreen.history.emptyVisible
        model: historyScreen.history ? historyScreen.history.rows : []
        ScrollIndicator.vertical: ScrollIndicator {}
        delegate: SwipeDelegate {
            id: row
            objectName: "historyRow_" + index
            width: list.width
            onClicked: historyScreen.history.tap(index)
            contentItem: RowLayout {
                spacing: 14
                Rectangle {
                    Layout.preferredWidth: 44
                    Layout.preferredHeight: 44
                    radius: 8
                    color: "#1565C0"
                    RemoteIcon {
                        anchors.centerIn: parent
                        width: 26
                        height: 26
                        name: "capture"
                    }
                }
                ColumnLayout {
                    Layout.fillWidth: true
                    spacing: 2
                    Label {
                        objectName: "historyName_" + index
                        Layout.fillWidth: true
                        text: modelData.name
                        color: "#263238"
                        font.pixelSize: 16
                        elide: Text.ElideMiddle
                    }
                    Label {
                        objectName: "historyTime_" + index
                        Layout.fillWidth: true
                        text: modelData.time
                        color: "#78909C"
                        elide: Text.ElideRight
                    }
                }
            }
            swipe.right: Button {
                objectName: "historyDelete_" + index
                height: row.height
                anchors.right: parent.right
                flat: true
                Material.foreground: "white"
                background: Rectangle {
                    color: "#C62828"
                }
                text: app.text("delete")
                onClicked: historyScreen.history.remove(index)
            }
            Connections {
                target: historyScreen.history
                function onSwipeClosed(closedRow) {
                    if (closedRow === index)
                        row.swipe.close()
                }
            }
        }
    }
    Column {
        objectName: "historyEmpty"
        anchors.centerIn: parent
        width: parent.width - 64
        spacing: 16
        visible: historyScreen.history && historyScreen.history.emptyVisible
        Rectangle {
            anchors.horizontalCenter: parent.horizontalCenter
            width: 120
            height: 120
            radius: 60
            color: "#ECEFF1"
            RemoteIcon {
                anchors.centerIn: parent
                width: 56
                height: 56
                name: "capture"
                color: "#90A4AE"
            }
        }
        Label {
            objectName: "historyEmptyCaption"
            width: parent.width
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.WordWrap
            text: app.text("no captures")
            color: "#607D8B"
        }
    }

    CaptureViewer {
        anchors.fill: parent
        images: historyScreen.history ? historyScreen.history.viewerImages : []
        startIndex: historyScreen.history ? historyScreen.history.viewerStart : 0
        onClosed: historyScreen.history.closeViewer()
    }
}
