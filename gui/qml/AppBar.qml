import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material

// The top bar of every screen: the primary colour with white text and buttons.
ToolBar {
    Material.foreground: "white"
    background: Rectangle {
        color: "#1565C0"
    }
}
