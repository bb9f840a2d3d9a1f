import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material
import QtQuick.Layouts

// The overlays of every screen: progress, a short tip and a question with its buttons.
Item {
    id: overlayLayer
    property var overlay

    // Progress: a dimmed window with a spinner and its text; touches do not pass.
    Rectangle {
        objectName: "progressOverlay"
        anchors.fill: parent
        visible: overlayLayer.overlay.progressVisible
        color: "#66000000"
        MouseArea { anchors.fill: parent }
        Rectangle {
            anchors.centerIn: parent
            width: 200
            height: 140
            radius: 12
            color: "#E6263238"
            Column {
                anchors.centerIn: parent
                spacing: 12
                BusyIndicator {
                    anchors.horizontalCenter: parent.horizontalCenter
                    running: overlayLayer.overlay.progressVisible
                    Material.accent: "white"
                }
                Label {
                    anchors.horizontalCenter: parent.horizontalCenter
                    text: overlayLayer.overlay.progressText
                    color: "white"
                }
            }
        }
    }

    // A tip: text only, hidden by the overlay after its duration.
    Rectangle {
        objectName: "tip"
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.bottom: parent.bottom
        anchors.bottomMargin: 120
        z: 1
        visible: overlayLayer.overlay.tipText !== ""
        width: Math.min(tipLabel.implicitWidth + 40, overlayLayer.width - 48)
        height: tipLabel.implicitHeight + 28
        radius: 10
        color: "#E6263238"
        Label {
            id: tipLabel
            objectName: "tipText"
            anchors.centerIn: parent
            width: parent.width - 40
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.WordWrap
            text: overlayLayer.overlay.tipText
            color: "white"
        }
    }

    // A question (or an action sheet when it has no text) with its buttons.
    Rectangle {
        objectName: "question"
        anchors.fill: parent
        visible: overlayLayer.overlay.buttons.length > 0
        color: "#66000000"
        MouseArea { anchors.fill: parent }
        Pane {
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.bottom: parent.bottom
            anchors.margins: 12
            Material.elevation: 8
            background: Rectangle {
                color: "white"
                radius: 12
            }
            ColumnLayout {
                anchors.left: parent.left
                anchors.right: parent.right
                spacing: 4
                Label {
                    Layout.fillWidth: true
                    Layout.margins: 8
                    visible: text !== ""
                    text: overlayLayer.overlay.question
                    wrapMode: Text.WordWrap
                    font.pixelSize: 16
                }
                Repeater {
                    model: overlayLayer.overlay.buttons
                    Button {
                        objectName: "answer_" + index
                        Layout.fillWidth: true
                        flat: true
                        text: modelData
                        onClicked: overlayLayer.overlay.answer(index)
                    }
                }
            }
        }
    }
}
