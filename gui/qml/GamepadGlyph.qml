import QtQuick

// The mark of a gamepad control, drawn: an arrow ("arrow", pointing along `angle` degrees,
// 0 to the right), or a face button's shape ("triangle", "square", "ring", "cross").
Canvas {
    id: glyph
    property string name: ""
    property real angle: 0
    property color color: "#263238"
    width: 24
    height: 24
    onNameChanged: requestPaint()
    onAngleChanged: requestPaint()
    onColorChanged: requestPaint()

    onPaint: {
        var c = getContext("2d")
        var s = Math.min(width, height)
        var m = s / 2
        c.reset()
        c.strokeStyle = glyph.color
        c.fillStyle = glyph.color
        c.lineWidth = s * 0.11
        c.lineJoin = "round"
        c.lineCap = "round"
        c.beginPath()
        switch (glyph.name) {
        case "arrow":
            c.translate(m, m)
            c.rotate(glyph.angle * Math.PI / 180)
            c.moveTo(s * 0.34, 0)
            c.lineTo(-s * 0.22, -s * 0.32)
            c.lineTo(-s * 0.22, s * 0.32)
            c.closePath()
            c.fill()
            return
        case "triangle":
            c.moveTo(m, s * 0.14)
            c.lineTo(s * 0.88, s * 0.82)
            c.lineTo(s * 0.12, s * 0.82)
            c.closePath()
            break
        case "square":
            c.rect(s * 0.18, s * 0.18, s * 0.64, s * 0.64)
            break
        case "ring":
            c.arc(m, m, s * 0.34, 0, Math.PI * 2, false)
            break
        case "cross":
            c.moveTo(s * 0.2, s * 0.2)
            c.lineTo(s * 0.8, s * 0.8)
            c.moveTo(s * 0.8, s * 0.2)
            c.lineTo(s * 0.2, s * 0.8)
            break
        }
        c.stroke()
    }
}
