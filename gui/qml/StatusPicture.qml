import QtQuick

// The backup screen's status picture, drawn: "wave_N" a phone between waves (frame N of the
// shake animation), "search" a magnifier, "finished" a check mark, "" nothing.
Canvas {
    id: picture
    property string name: ""
    // While `playing`, the wave animation's frame is shown instead of `name`.
    property bool playing: false
    property int frame: 0

    implicitWidth: 200
    implicitHeight: 200
    onNameChanged: requestPaint()
    onFrameChanged: requestPaint()
    onPlayingChanged: requestPaint()

    function waveFrame() {
        if (playing)
            return frame
        var m = /^wave_(\d+)$/.exec(name)
        return m ? parseInt(m[1]) : -1
    }

    onPaint: {
        var ctx = getContext("2d")
        ctx.reset()
        var cx = width / 2, cy = height / 2
        var blue = "#1565C0", light = "#90CAF9"
        ctx.lineCap = "round"
        ctx.lineJoin = "round"
        var wave = waveFrame()
        if (wave >= 0) {
            // The phone, tilted with the frame, and waves that spread from it.
            ctx.save()
            ctx.translate(cx, cy)
            ctx.rotate(Math.sin(wave / 8 * 2 * Math.PI) * 0.18)
            ctx.fillStyle = blue
            ctx.beginPath()
            ctx.roundedRect(-32, -56, 64, 112, 10, 10)
            ctx.fill()
            ctx.fillStyle = "#E3F2FD"
            ctx.fillRect(-26, -44, 52, 84)
            ctx.restore()
            ctx.lineWidth = 5
            for (var i = 0; i < 3; ++i) {
                var r = 52 + i * 16 + (wave % 4) * 4
                ctx.strokeStyle = i === 0 ? blue : light
                for (var side = 0; side < 2; ++side) {
                    var a = side === 0 ? 0 : Math.PI
                    ctx.beginPath()
                    ctx.arc(cx, cy, r, a - 0.45, a + 0.45)
                    ctx.stroke()
                }
            }
        } else if (name === "search") {
            ctx.lineWidth = 12
            ctx.strokeStyle = blue
            ctx.beginPath()
            ctx.arc(cx - 14, cy - 14, 44, 0, 2 * Math.PI)
            ctx.stroke()
            ctx.lineWidth = 16
            ctx.beginPath()
            ctx.moveTo(cx + 20, cy + 20)
            ctx.lineTo(cx + 58, cy + 58)
            ctx.stroke()
        } else if (name === "finished") {
            ctx.fillStyle = "#43A047"
            ctx.beginPath()
            ctx.arc(cx, cy, 72, 0, 2 * Math.PI)
            ctx.fill()
            ctx.lineWidth = 14
            ctx.strokeStyle = "white"
            ctx.beginPath()
            ctx.moveTo(cx - 34, cy + 2)
            ctx.lineTo(cx - 8, cy + 28)
            ctx.lineTo(cx + 38, cy - 24)
            ctx.stroke()
        }
    }
}
