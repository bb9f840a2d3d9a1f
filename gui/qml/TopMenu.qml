import QtQuick
import QtQuick.Controls

// The horizontal section menu: one item per entry, the selected one underlined.
ListView {
    id: menu
    property var labels: []
    property int selected: 0
    signal picked(int index)
    readonly property bool tight: labels.length > 4

    orientation: ListView.Horizontal
    height: 44
    clip: true
    model: labels
    currentIndex: selected
    onSelectedChanged: positionViewAtIndex(selected, ListView.Contain)
    delegate: ItemDelegate {
        objectName: "menu_" + index
        height: menu.height
        // Many labels sit closer together so that they fit a phone's width; a few are spread
        // over it.
        leftPadding: menu.tight ? 8 : 16
        rightPadding: leftPadding
        width: menu.tight ? implicitWidth : Math.max(implicitWidth, menu.width / Math.max(1, menu.count))
        text: modelData
        font.bold: index === menu.selected
        onClicked: menu.picked(index)
        Rectangle {
            anchors.bottom: parent.bottom
            anchors.left: parent.left
            anchors.right: parent.right
            height: 3
            color: "#1E88E5"
            visible: index === menu.selected
        }
    }
}
