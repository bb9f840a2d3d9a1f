import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material
import QtQuick.Layouts

// The About screen: the version, the project's page (opened when tapped), and plain words on
// what the link to the computer protects and what it does not.
Page {
    id: aboutScreen
    property var about

    header: AppBar {
        RowLayout {
            anchors.fill: parent
            ToolButton {
                objectName: "aboutBack"
                text: "‹"
                font.pixelSize: 26
                onClicked: aboutScreen.about.back()
            }
            Label {
                objectName: "aboutTitle"
                Layout.fillWidth: true
                text: aboutScreen.about ? aboutScreen.about.title : ""
                color: "white"
                font.pixelSize: 18
                elide: Text.ElideRight
            }
        }
    }

    // A small sign per row, by the row's icon name.
    readonly property var signs: ({
        "about_version": "i",
        "about_web": "↗",
        "about_link": "!",
        "about_phone_files": "⇄"
    })

    Flickable {
        anchors.fill: parent
        contentHeight: rows.implicitHeight + 24
        clip: true
        ColumnLayout {
            id: rows
            width: parent.width
            spacing: 0
            Repeater {
                model: aboutScreen.about ? aboutScreen.about.rows : []
                ItemDelegate {
                    id: row
                    required property var modelData
                    required property int index
                    readonly property bool isLink: modelData.url !== ""
                    objectName: "aboutRow_" + index
                    Layout.fillWidth: true
                    // Only a row with an address does anything when tapped.
                    enabled: isLink
                    onClicked: aboutScreen.about.select(index)
                    topPadding: 14
                    bottomPadding: 14
                    contentItem: RowLayout {
                        spacing: 14
                        Rectangle {
                            Layout.alignment: Qt.AlignTop
                            Layout.preferredWidth: 36
                            Layout.preferredHeight: 36
                            radius: 18
                            color: row.modelData.icon === "about_link" ? "#EF6C00" : "#1E88E5"
                            Label {
                                anchors.centerIn: parent
                                text: aboutScreen.signs[row.modelData.icon] || "•"
                                color: "white"
                                font.pixelSize: 18
                                font.bold: true
                            }
                        }
                        Label {
                            objectName: "aboutText_" + row.index
                            Layout.fillWidth: true
                            text: row.modelData.text
                            wrapMode: Text.WordWrap
                            font.pixelSize: row.isLink || row.index === 0 ? 16 : 14
                            color: row.isLink ? "#1565C0" : "#263238"
                            font.underline: row.isLink
                        }
                    }
                    Rectangle {
                        anchors.bottom: parent.bottom
                        anchors.left: parent.left
                        anchors.leftMargin: 66
                        anchors.right: parent.right
                        height: 1
                        color: "#ECEFF1"
                    }
                }
            }
        }
    }
}
