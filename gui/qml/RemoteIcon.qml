import QtQuick

// A line icon of the remote control, drawn (the bundled fonts have no such symbols): power,
// restart, lock, standby, capture, speaker, mute, microphone, hotspot.
Canvas {
    id: icon
    property string name: ""
    property color color: "white"
    width: 32
    height: 32
    onNameChanged: requestPaint()
    onColorChanged: requestPaint()

    onPaint: {
        var c = getContext("2d")
        var s = Math.min(width, height)
        c.reset()
        c.strokeStyle = icon.color
        c.fillStyle = icon.color
        c.lineWidth = s * 0.09
        c.lineCap = "round"
        c.lineJoin = "round"
        var m = s / 2
        c.beginPath()
        switch (icon.name) {
        case "power":
            c.arc(m, m * 1.08, s * 0.34, -Math.PI * 0.32, Math.PI * 1.32, false)
            c.moveTo(m, s * 0.1)
            c.lineTo(m, s * 0.5)
            break
        case "restart":
            c.arc(m, m, s * 0.34, -Math.PI * 0.35, Math.PI * 1.45, false)
            c.stroke()
            c.beginPath()
            c.moveTo(s * 0.62, s * 0.08)
            c.lineTo(s * 0.8, s * 0.22)
            c.lineTo(s * 0.6, s * 0.33)
            break
        case "lock":
            c.rect(s * 0.22, s * 0.45, s * 0.56, s * 0.42)
            c.moveTo(s * 0.33, s * 0.45)
            c.arc(m, s * 0.36, s * 0.17, Math.PI, 0, false)
            c.lineTo(s * 0.67, s * 0.45)
            break
        case "standby":
            c.arc(m, m, s * 0.36, Math.PI * 0.3, Math.PI * 1.7, false)
            c.arc(s * 0.72, s * 0.4, s * 0.3, Math.PI * 1.62, Math.PI * 0.45, true)
            break
        case "capture":
            c.rect(s * 0.1, s * 0.28, s * 0.8, s * 0.56)
            c.moveTo(s * 0.35, s * 0.28)
            c.lineTo(s * 0.42, s * 0.16)
            c.lineTo(s * 0.58, s * 0.16)
            c.lineTo(s * 0.65, s * 0.28)
            c.stroke()
            c.beginPath()
            c.arc(m, s * 0.56, s * 0.15, 0, Math.PI * 2, false)
            break
        case "speaker":
        case "mute":
            c.moveTo(s * 0.12, s * 0.38)
            c.lineTo(s * 0.3, s * 0.38)
            c.lineTo(s * 0.5, s * 0.2)
            c.lineTo(s * 0.5, s * 0.8)
            c.lineTo(s * 0.3, s * 0.62)
            c.lineTo(s * 0.12, s * 0.62)
            c.closePath()
            c.stroke()
            c.beginPath()
            if (icon.name === "mute") {
                c.moveTo(s * 0.64, s * 0.36)
                c.lineTo(s * 0.88, s * 0.64)
                c.moveTo(s * 0.88, s * 0.36)
                c.lineTo(s * 0.64, s * 0.64)
            } else {
                c.arc(s * 0.5, m, s * 0.2, -Math.PI * 0.3, Math.PI * 0.3, false)
                c.moveTo(s * 0.5 + s * 0.36 * Math.cos(-Math.PI * 0.3), m + s * 0.36 * Math.sin(-Math.PI * 0.3))
                c.arc(s * 0.5, m, s * 0.36, -Math.PI * 0.3, Math.PI * 0.3, false)
            }
            break
        case "mic":
            c.moveTo(s * 0.38, s * 0.25)
            c.arc(m, s * 0.25, s * 0.12, Math.PI, 0, false)
            c.lineTo(s * 0.62, s * 0.5)
            c.arc(m, s * 0.5, s * 0.12, 0, Math.PI, false)
            c.closePath()
            c.fill()
            c.beginPath()
            c.arc(m, s * 0.5, s * 0.24, 0, Math.PI, false)
            c.moveTo(m, s * 0.74)
            c.lineTo(m, s * 0.9)
            c.moveTo(s * 0.36, s * 0.9)
            c.lineTo(s * 0.64, s * 0.9)
            break
        case "hotspot":
            c.arc(m, s * 0.62, s * 0.07, 0, Math.PI * 2, false)
            c.fill()
            c.beginPath()
            c.arc(m, s * 0.62, s * 0.22, -Math.PI * 0.8, -Math.PI * 0.2, false)
            c.moveTo(m + s * 0.4 * Math.cos(-Math.PI * 0.8), s * 0.62 + s * 0.4 * Math.sin(-Math.PI * 0.8))
            c.arc(m, s * 0.62, s * 0.4, -Math.PI * 0.8, -Math.PI * 0.2, false)
            break
        }
        c.stroke()
    }
}
