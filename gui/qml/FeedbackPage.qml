import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material
import QtQuick.Layouts

// The feedback screen: a comment and an optional contact, sent with the bar's button. A send
// that failed says so under the fields and leaves the text as written.
Page {
    id: feedbackScreen
    property var feedback
    readonly property bool editing: comment.activeFocus || contact.activeFocus

    header: AppBar {
        RowLayout {
            anchors.fill: parent
            ToolButton {
                objectName: "feedbackBack"
                text: "‹"
                font.pixelSize: 26
                onClicked: feedbackScreen.feedback.back()
            }
            Label {
                objectName: "feedbackTitle"
                Layout.fillWidth: true
                text: feedbackScreen.feedback ? feedbackScreen.feedback.title : ""
                color: "white"
                font.pixelSize: 18
                elide: Text.ElideRight
            }
            BusyIndicator {
                objectName: "feedbackActivity"
                running: feedbackScreen.feedback && feedbackScreen.feedback.busy
                visible: running
                implicitWidth: 36
                implicitHeight: 36
                Material.accent: "white"
            }
            ToolButton {
                objectName: "feedbackDone"
                visible: feedbackScreen.editing
                text: feedbackScreen.feedback ? feedbackScreen.feedback.doneText : ""
                onClicked: feedbackScreen.feedback.doneEditing()
            }
            ToolButton {
                objectName: "sendFeedback"
                text: "Send"
                enabled: feedbackScreen.feedback && feedbackScreen.feedback.configured
                         && !feedbackScreen.feedback.busy
                onClicked: feedbackScreen.feedback.send(comment.text, contact.text)
            }
        }
    }

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: 16
        spacing: 12

        Rectangle {
            objectName: "feedbackNotConfigured"
            Layout.fillWidth: true
            visible: feedbackScreen.feedback && !feedbackScreen.feedback.configured
            implicitHeight: notice.implicitHeight + 24
            radius: 8
            color: "#FFF3E0"
            Label {
                id: notice
                objectName: "feedbackNotice"
                anchors.centerIn: parent
                width: parent.width - 24
                wrapMode: Text.WordWrap
                color: "#E65100"
                text: app.text("feedback not configured")
                      + ": set where it goes under More › Settings (feedback-url)."
            }
        }
        ScrollView {
            Layout.fillWidth: true
            Layout.preferredHeight: 220
            background: Rectangle {
                radius: 8
                color: "white"
                border.color: comment.activeFocus ? "#1E88E5" : "#CFD8DC"
            }
            TextArea {
                id: comment
                objectName: "feedbackComment"
                placeholderText: feedbackScreen.feedback ? feedbackScreen.feedback.commentPlaceholder : ""
                wrapMode: TextEdit.Wrap
                leftPadding: 12
                rightPadding: 12
                // The frame is the scroll view's: no underline of its own.
                background: null
            }
        }
        TextField {
            id: contact
            objectName: "feedbackContact"
            Layout.fillWidth: true
            placeholderText: feedbackScreen.feedback ? feedbackScreen.feedback.contactPlaceholder : ""
        }
        Label {
            objectName: "feedbackStatus"
            Layout.fillWidth: true
            visible: text !== ""
            text: feedbackScreen.feedback ? feedbackScreen.feedback.status : ""
            wrapMode: Text.WordWrap
            color: "#C62828"
        }
        Item { Layout.fillHeight: true }
    }

    Connections {
        target: feedbackScreen.feedback
        function onKeyboardHidden() {
            feedbackScreen.forceActiveFocus()
        }
    }
}
