import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material
import QtQuick.Layouts

// The photo backup screen: shake to back up every photo, or pick photos in the browser. The
// ring shows a running backup and stops it on a tap; below, where the computer keeps the photos
// and whether it may manage the phone's files.
Page {
    id: backupScreen
    property var backup

    header: AppBar {
        // The browser has a bar of its own.
        visible: !(backupScreen.backup && backupScreen.backup.browserOpen)
        Label {
            objectName: "backupTitle"
            anchors.verticalCenter: parent.verticalCenter
            anchors.left: parent.left
            anchors.leftMargin: 16
            text: backupScreen.backup ? backupScreen.backup.title : ""
            color: "white"
            font.pixelSize: 18
        }
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 0
        TabBar {
            id: kinds
            Layout.fillWidth: true
            currentIndex: backupScreen.backup ? backupScreen.backup.tab : 0
            TabButton {
                objectName: "shakeTab"
                text: app.text("shake tab")
                onClicked: backupScreen.backup.selectTab(0)
            }
            TabButton {
                objectName: "pickTab"
                text: app.text("pick tab")
                onClicked: backupScreen.backup.selectTab(1)
            }
        }
        Item {
            Layout.fillWidth: true
            Layout.preferredHeight: 240
            Layout.topMargin: 24
            StatusPicture {
                id: picture
                objectName: "statusPicture"
                anchors.centerIn: parent
                width: 200
                height: 200
                visible: backupScreen.backup && !backupScreen.backup.ringVisible
                name: backupScreen.backup ? backupScreen.backup.statusPicture : ""
                playing: waveAnimation.running
                NumberAnimation on frame {
                    id: waveAnimation
                    running: false
                }
            }
            ProgressRing {
                objectName: "progressRing"
                anchors.centerIn: parent
                width: 200
                height: 200
                visible: backupScreen.backup && backupScreen.backup.ringVisible
                done: backupScreen.backup ? backupScreen.backup.ringDone : 0
                total: backupScreen.backup ? backupScreen.backup.ringTotal : 0
                hint: app.text("tap to stop")
                onTapped: backupScreen.backup.tapRing()
            }
        }
        Label {
            objectName: "backupStatus"
            Layout.fillWidth: true
            Layout.leftMargin: 24
            Layout.rightMargin: 24
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.WordWrap
            text: backupScreen.backup ? backupScreen.backup.status : ""
            font.pixelSize: 20
            color: "#263238"
        }
        Label {
            objectName: "backupTimeLine"
            Layout.fillWidth: true
            Layout.topMargin: 8
            Layout.leftMargin: 24
            Layout.rightMargin: 24
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.WordWrap
            visible: text !== ""
            text: backupScreen.backup ? backupScreen.backup.timeLine : ""
            color: "#546E7A"
        }
        Label {
            objectName: "backupFailedLine"
            Layout.fillWidth: true
            Layout.topMargin: 4
            horizontalAlignment: Text.AlignHCenter
            visible: text !== ""
            text: backupScreen.backup ? backupScreen.backup.failedLine : ""
            color: "#C62828"
        }
        Button {
            objectName: "shakeButton"
            Layout.alignment: Qt.AlignHCenter
            Layout.topMargin: 16
            visible: kinds.currentIndex === 0
            enabled: backupScreen.backup && !backupScreen.backup.ringVisible
            highlighted: true
            // Flat: the raised shadow is a shader effect some renderers cannot draw.
            Material.elevation: 0
            text: app.text("shake")
            onClicked: backupScreen.backup.shake()
        }
        Item {
            Layout.fillHeight: true
        }
        MenuSeparator {
            Layout.fillWidth: true
        }
        Label {
            objectName: "backupFolderLine"
            Layout.fillWidth: true
            Layout.margins: 16
            Layout.bottomMargin: 4
            wrapMode: Text.WrapAnywhere
            text: backupScreen.backup ? backupScreen.backup.folderLine : ""
            color: "#546E7A"
        }
        RowLayout {
            Layout.fillWidth: true
            Layout.leftMargin: 16
            Layout.rightMargin: 8
            Layout.bottomMargin: 8
            Label {
                Layout.fillWidth: true
                text: app.text("phone files")
                wrapMode: Text.WordWrap
                color: "#263238"
            }
            Switch {
                objectName: "phoneFilesSwitch"
                // Flat handle, as for the Shake button.
                Component.onCompleted: indicator.Material.elevation = 0
                checked: backupScreen.backup ? backupScreen.backup.phoneFilesOn : false
                onToggled: backupScreen.backup.phoneFilesOn = checked
            }
        }
    }

    PhotoBrowser {
        anchors.fill: parent
        backup: backupScreen.backup
    }

    Connections {
        target: backupScreen.backup
        function onWave(frames, seconds, repeats) {
            waveAnimation.from = 0
            waveAnimation.to = frames - 1
            waveAnimation.duration = seconds * 1000
            waveAnimation.loops = repeats
            waveAnimation.restart()
        }
    }
}
