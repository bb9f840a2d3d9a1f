import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material

// The top bar of every screen: the primary colour with white text and buttons.
ToolBar {
    Material.foreground: "white"
    background: Rectangle {
        // The style's own background gave the bar its height; a bar with only a label keeps it.
        implicitHeight: 48
        color: "#1565C0"
    }
}
