import QtQuick
import QtQuick.Controls

// The horizontal section menu: one item per entry, the selected one underlined.
ListView {
    id: menu
    property var labels: []
    property int selected: 0
    signal picked(int index)

    orientation: ListView.Horizontal
    height: 44
    clip: true
    model: labels
    currentIndex: selected
    onSelectedChanged: positionViewAtIndex(selected, ListView.Contain)
    delegate: ItemDelegate {
        objectName: "menu_" + index
        height: menu.height
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
