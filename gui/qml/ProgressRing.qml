import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material

// A determinate circular progress in the Material manner: a thin track and an accent arc
// growing clockwise from the top, the count in the middle. Tapping it is the screen's business.
Item {
    id: ring
    property int done: 0
    property int total: 0
    property string hint: ""
    signal tapped()

    implicitWidth: 200
    implicitHeight: 200

    Canvas {
        id: arc
        anchors.fill: parent
        property real fraction: ring.total > 0 ? Math.min(1, ring.done / ring.total) : 0
        onFractionChanged: requestPaint()
        onPaint: {
            var ctx = getContext("2d")
            var w = 10
            var r = Math.min(width, height) / 2 - w
            ctx.reset()
            ctx.lineWidth = w
            ctx.lineCap = "round"
            ctx.strokeStyle = "#E3F2FD"
            ctx.beginPath()
            ctx.arc(width / 2, height / 2, r, 0, 2 * Math.PI)
            ctx.stroke()
            if (fraction > 0) {
                ctx.strokeStyle = ring.Material.accent
                ctx.beginPath()
                ctx.arc(width / 2, height / 2, r, -Math.PI / 2, -Math.PI / 2 + 2 * Math.PI * fraction)
                ctx.stroke()
            }
        }
    }
    Column {
        anchors.centerIn: parent
        spacing: 4
        Label {
            objectName: "ringCount"
            anchors.horizontalCenter: parent.horizontalCenter
            text: ring.done + "/" + ring.total
            font.pixelSize: 34
            color: "#1565C0"
        }
        Label {
            anchors.horizontalCenter: parent.horizontalCenter
            text: ring.hint
            color: "#78909C"
        }
    }
    MouseArea {
        anchors.fill: parent
        onClicked: ring.tapped()
    }
}
