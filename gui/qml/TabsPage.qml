import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// The tabs while a computer is connected. The file manager keeps its own stack of screens
// (drives, folders, preview, downloads); each screen's adapter says when it closes.
Page {
    id: tabsScreen
    property var tabs

    footer: TabBar {
        id: bar
        currentIndex: Math.max(0, tabsScreen.tabs.tags.indexOf(tabsScreen.tabs.selectedTag))
        Repeater {
            model: tabsScreen.tabs.titles
            TabButton {
                objectName: "tab_" + index
                text: modelData
                onClicked: tabsScreen.tabs.selectTab(tabsScreen.tabs.tags[index])
            }
        }
    }

    StackLayout {
        anchors.fill: parent
        currentIndex: bar.currentIndex

        StackView {
            id: files
            objectName: "fileStack"
            initialItem: DiskPage {
                disk: tabsScreen.tabs.fileManager
                onOpenDownloads: tabsScreen.tabs.openDownloads()
            }
            Connections {
                target: tabsScreen.tabs.fileManager
                function onFolderOpened(folder) {
                    files.push(folderPage, { folder: folder, stack: files })
                }
            }
            Connections {
                target: tabsScreen.tabs
                function onDownloadsChanged() {
                    if (tabsScreen.tabs.downloads)
                        files.push(downloadsPage, { downloads: tabsScreen.tabs.downloads, stack: files })
                }
            }
        }
        BackupPage { backup: tabsScreen.tabs.backup }
        // The panel and the screens it opens; made when the tab is first selected.
        Loader {
            active: tabsScreen.tabs.remote !== null
            sourceComponent: StackView {
                id: remote
                objectName: "remoteStack"
                initialItem: RemoteControlPage {
                    remote: tabsScreen.tabs.remote
                    stack: remote
                }
            }
        }
    }

    Component {
        id: folderPage
        FolderPage {}
    }
    Component {
        id: downloadsPage
        DownloadsPage {}
    }
}
