import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material
import QtQuick.Layouts

// The More screen: the way back to the computers, the phone-file switch, the cache with its
// size, About, feedback and the project's page, and the settings page. The screens it opens
// go on its own stack.
Page {
    id: moreScreen
    property var more
    property var stack

    header: AppBar {
        RowLayout {
            anchors.fill: parent
            ToolButton {
                objectName: "moreBack"
                text: "‹"
                font.pixelSize: 26
                onClicked: moreScreen.more.back()
            }
            Label {
                objectName: "moreTitle"
                Layout.fillWidth: true
                text: moreScreen.more ? moreScreen.more.title : ""
                color: "white"
                font.pixelSize: 18
                elide: Text.ElideRight
            }
        }
    }

    // Row tags, as the screen gives them.
    readonly property int phoneFilesTag: 2
    readonly property int clearCacheTag: 3

    Flickable {
        anchors.fill: parent
        contentHeight: rows.implicitHeight
        clip: true
        ColumnLayout {
            id: rows
            width: parent.width
            spacing: 0
            Repeater {
                model: moreScreen.more ? moreScreen.more.rows : []
                ItemDelegate {
                    id: row
                    required property var modelData
                    readonly property int tag: modelData.tag
                    objectName: "moreRow_" + tag
                    Layout.fillWidth: true
                    Layout.preferredHeight: 56
                    onClicked: {
                        if (tag === moreScreen.phoneFilesTag)
                            moreScreen.more.setPhoneFilesOn(!moreScreen.more.phoneFiles)
                        else
                            moreScreen.more.select(tag)
                    }
                    contentItem: RowLayout {
                        spacing: 12
                        Label {
                            Layout.fillWidth: true
                            text: row.modelData.title
                            font.pixelSize: 16
                            wrapMode: Text.WordWrap
                            color: "#263238"
                        }
                        Label {
                            objectName: "cacheSize"
                            visible: row.tag === moreScreen.clearCacheTag
                            text: moreScreen.more.cacheSize
                            color: "#546E7A"
                        }
                        Switch {
                            id: phoneSwitch
                            objectName: "phoneFilesSwitch"
                            // A flat handle: its shadow does not render everywhere.
                            Component.onCompleted: indicator.Material.elevation = 0
                            visible: row.tag === moreScreen.phoneFilesTag
                            checked: moreScreen.more.phoneFiles
                            onToggled: {
                                moreScreen.more.setPhoneFilesOn(checked)
                                checked = Qt.binding(() => moreScreen.more.phoneFiles)
                            }
                        }
                        Label {
                            visible: row.tag !== moreScreen.phoneFilesTag
                                     && row.tag !== moreScreen.clearCacheTag
                            text: "›"
                            font.pixelSize: 22
                            color: "#90A4AE"
                        }
                    }
                    Rectangle {
                        anchors.bottom: parent.bottom
                        anchors.left: parent.left
                        anchors.leftMargin: 16
                        anchors.right: parent.right
                        height: 1
                        color: "#ECEFF1"
                    }
                }
            }
            ItemDelegate {
                objectName: "settingsRow"
                Layout.fillWidth: true
                Layout.topMargin: 16
                Layout.preferredHeight: 56
                onClicked: moreScreen.more.openSettings()
                contentItem: RowLayout {
                    Label {
                        Layout.fillWidth: true
                        text: "Settings"
                        font.pixelSize: 16
                        color: "#263238"
                    }
                    Label {
                        text: "›"
                        font.pixelSize: 22
                        color: "#90A4AE"
                    }
                }
            }
        }
    }

    Connections {
        target: moreScreen.more
        function onAboutOpened(about) {
            moreScreen.stack.push(aboutPage, { about: about })
        }
        function onFeedbackOpened(feedback) {
            moreScreen.stack.push(feedbackPage, { feedback: feedback })
        }
        function onSettingsOpened(settings) {
            moreScreen.stack.push(settingsPage, { settings: settings })
        }
        function onBackToMore() {
            moreScreen.stack.pop(null)
        }
    }
    Component {
        id: aboutPage
        AboutPage {}
    }
    Component {
        id: feedbackPage
        FeedbackPage {}
    }
    Component {
        id: settingsPage
        SettingsPage {}
    }
}
