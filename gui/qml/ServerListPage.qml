import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material
import QtQuick.Layouts

// The first screen: the computers found on the network, remembered ones first.
Page {
    id: screen
    property var servers

    header: AppBar {
        RowLayout {
            anchors.fill: parent
            anchors.leftMargin: 16
            Label {
                Layout.fillWidth: true
                text: app.text("app name")
                font.pixelSize: 20
                font.bold: true
                color: "white"
            }
            BusyIndicator {
                objectName: "searchSpinner"
                running: screen.servers.spinning
                visible: running
                implicitWidth: 36
                implicitHeight: 36
                Material.accent: "white"
            }
            ToolButton {
                objectName: "searchButton"
                text: app.text("search")
                enabled: screen.servers.refreshEnabled
                onClicked: screen.servers.refresh()
            }
            ToolButton {
                objectName: "moreButton"
                text: "⋮"
                font.pixelSize: 22
                onClicked: screen.servers.openMore()
            }
        }
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        Label {
            objectName: "demoNote"
            Layout.fillWidth: true
            Layout.margins: 12
            visible: app.demoNote !== ""
            text: app.demoNote
            wrapMode: Text.WordWrap
            color: "#1565C0"
        }
        Label {
            objectName: "foundTip"
            Layout.fillWidth: true
            Layout.leftMargin: 16
            Layout.topMargin: 12
            visible: text !== ""
            text: screen.servers.foundTip
            color: "#546E7A"
        }
        ListView {
            id: list
            objectName: "serverList"
            Layout.fillWidth: true
            Layout.fillHeight: true
            clip: true
            model: screen.servers
            // Pull down to search again, as on a phone.
            onDragEnded: if (contentY < -80 && screen.servers.refreshEnabled) screen.servers.refresh()
            delegate: ItemDelegate {
                objectName: "serverRow_" + index
                width: list.width
                height: 64
                highlighted: model.current
                onClicked: screen.servers.select(index)
                contentItem: RowLayout {
                    spacing: 12
                    Rectangle {
                        width: 40
                        height: 40
                        radius: 20
                        color: model.current ? "#1E88E5" : "#CFD8DC"
                        Label {
                            anchors.centerIn: parent
                            text: "▣"
                            color: "white"
                            font.pixelSize: 18
                        }
                    }
                    ColumnLayout {
                        Layout.fillWidth: true
                        spacing: 2
                        Label {
                            text: model.name
                            font.pixelSize: 16
                            elide: Text.ElideRight
                            Layout.fillWidth: true
                        }
                        Label {
                            text: model.address
                            color: "#78909C"
                        }
                    }
                    Label {
                        objectName: "rememberedMark"
                        visible: model.remembered
                        text: "✓"
                        color: "#43A047"
                        font.pixelSize: 18
                    }
                }
            }
            Label {
                anchors.centerIn: parent
                width: parent.width - 64
                visible: list.count === 0 && !screen.servers.spinning
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.WordWrap
                color: "#78909C"
                text: app.text("no computers")
            }
        }
        Label {
            objectName: "homeTip"
            Layout.fillWidth: true
            Layout.margins: 16
            wrapMode: Text.WordWrap
            textFormat: Text.StyledText
            color: "#546E7A"
            text: screen.servers.homeTip + " <a href=\"" + screen.servers.homeLink + "\">"
                  + screen.servers.homeLink + "</a>"
            onLinkActivated: link => app.openLink(link)
        }
    }

    CheckCodePanel {
        anchors.fill: parent
        entry: screen.servers.checkCode
    }
}
