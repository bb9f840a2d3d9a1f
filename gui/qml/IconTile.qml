import QtQuick

// The picture of a file kind, drive or folder, drawn from its image name
// ("format_pdf.png", "disk_system.png", ...): a coloured tile with a short label.
Item {
    id: tile
    property string name: ""
    property real size: 40
    width: size
    height: size

    readonly property string kind: {
        var n = name.replace(/\.png$/, "").replace(/_l$/, "")
        return n.indexOf("format_") === 0 ? n.substring(7) : n
    }
    readonly property var colours: ({
        "folder": "#F2B233", "text": "#607D8B", "pdf": "#E53935", "word": "#1E88E5",
        "music": "#8E24AA", "media": "#D81B60", "picture": "#43A047", "ppt": "#F4511E",
        "flash": "#C62828", "excel": "#2E7D32", "zip": "#6D4C41", "chm": "#5E35B1",
        "torrent": "#00897B", "html": "#FB8C00", "disk_desktop": "#3949AB",
        "disk_system": "#37474F", "disk_normal": "#78909C"
    })
    readonly property var labels: ({
        "text": "TXT", "pdf": "PDF", "word": "DOC", "music": "♪", "media": "▶",
        "picture": "IMG", "ppt": "PPT", "flash": "SWF", "excel": "XLS", "zip": "ZIP",
        "chm": "CHM", "torrent": "BT", "html": "</>", "disk_desktop": "⌂",
        "disk_system": "SYS", "disk_normal": "HD"
    })

    // A folder has a tab on its top edge.
    Rectangle {
        visible: tile.kind === "folder"
        x: tile.size * 0.08
        width: tile.size * 0.4
        height: tile.size * 0.3
        radius: tile.size * 0.08
        color: Qt.darker(body.color, 1.15)
    }
    Rectangle {
        id: body
        y: tile.kind === "folder" ? tile.size * 0.14 : 0
        width: tile.size
        height: tile.size - y
        radius: tile.size * 0.18
        color: tile.colours[tile.kind] || "#90A4AE"
        Text {
            anchors.centerIn: parent
            text: tile.labels[tile.kind] || (tile.kind === "folder" ? "" : "•••")
            color: "white"
            font.bold: true
            font.pixelSize: tile.size * 0.3
        }
    }
}
