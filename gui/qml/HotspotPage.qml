import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material
import QtQuick.Layouts

// The devices on the computer's hotspot, refreshed while the screen is shown: icon, name and
// speed of each, and its actions behind a swipe to the left.
Page {
    id: hotspotScreen
    property var hotspot

    header: AppBar {
        RowLayout {
            anchors.fill: parent
            ToolButton {
                objectName: "hotspotBack"
                text: "‹"
                font.pixelSize: 26
                onClicked: hotspotScreen.hotspot.back()
            }
            Label {
                objectName: "hotspotTitle"
                Layout.fillWidth: true
                text: hotspotScreen.hotspot ? hotspotScreen.hotspot.title : ""
                color: "white"
                font.pixelSize: 18
                elide: Text.ElideRight
            }
        }
    }

    ListView {
        id: list
        objectName: "hotspotList"
        anchors.fill: parent
        clip: true
        model: hotspotScreen.hotspot ? hotspotScreen.hotspot.rows : null
        delegate: SwipeDelegate {
            id: row
            required property int index
            required property string picture
            required property string name
            required property string speed
            required property var actions
            objectName: "hotspotRow_" + index
            width: list.width
            swipe.onOpened: hotspotScreen.hotspot.swipeChanged(index, true)
            swipe.onClosed: hotspotScreen.hotspot.swipeChanged(index, false)
            contentItem: RowLayout {
                spacing: 14
                Rectangle {
                    Layout.preferredWidth: 44
                    Layout.preferredHeight: 44
                    radius: 22
                    color: row.picture === "wifi_blocked" ? "#B0BEC5" : "#1E88E5"
                    RemoteIcon {
                        anchors.centerIn: parent
                        width: 26
                        height: 26
                        name: "hotspot"
                    }
                    // A blocked device is struck through.
                    Rectangle {
                        anchors.centerIn: parent
                        visible: row.picture === "wifi_blocked"
                        width: 36
                        height: 3
                        rotation: -45
                        color: "#C62828"
                    }
                }
                Label {
                    objectName: "hotspotName_" + row.index
                    Layout.fillWidth: true
                    text: row.name
                    color: "#263238"
                    font.pixelSize: 16
                    elide: Text.ElideRight
                }
                Label {
                    objectName: "hotspotSpeed_" + row.index
                    text: row.speed
                    color: "#546E7A"
                }
            }
            swipe.right: Row {
                anchors.right: parent.right
                height: row.height
                Repeater {
                    model: row.actions
                    // The swipe's own click signal: a plain button here misses the taps the
                    // open row filters.
                    Rectangle {
                        objectName: "hotspotAction_" + row.index + "_" + index
                        property string text: modelData
                        width: Math.max(76, actionLabel.implicitWidth + 24)
                        height: row.height
                        color: SwipeDelegate.pressed ? Qt.darker(tint, 1.2) : tint
                        readonly property color tint: ["#EF6C00", "#C62828", "#546E7A"][index % 3]
                        Label {
                            id: actionLabel
                            anchors.centerIn: parent
                            text: modelData
                            color: "white"
                            font.capitalization: Font.AllUppercase
                        }
                        SwipeDelegate.onClicked: hotspotScreen.hotspot.trigger(row.index, index)
                    }
                }
            }
            Connections {
                target: hotspotScreen.hotspot
                function onSwipeClosed(closedRow) {
                    if (closedRow === row.index)
                        row.swipe.close()
                }
            }
        }
    }

    // A device that joined while the list is shown.
    Rectangle {
        objectName: "hotspotBanner"
        anchors.top: parent.top
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.margins: 12
        visible: hotspotScreen.hotspot && hotspotScreen.hotspot.banner !== ""
        height: bannerText.implicitHeight + 24
        radius: 10
        color: "#E6263238"
        Label {
            id: bannerText
            objectName: "hotspotBannerText"
            anchors.centerIn: parent
            width: parent.width - 32
            wrapMode: Text.WordWrap
            text: hotspotScreen.hotspot ? hotspotScreen.hotspot.banner : ""
            color: "white"
        }
    }
}
