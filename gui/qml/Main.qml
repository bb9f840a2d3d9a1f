import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material

// The application's window: the server list or, while a computer is connected, the tabs;
// the More screen when asked for, and the reconnection banner and the overlays above all.
ApplicationWindow {
    id: window
    width: 390
    height: 844
    visible: true
    title: app.text("app name")
    Material.theme: Material.Light
    Material.primary: "#1565C0"
    Material.accent: "#1E88E5"

    Loader {
        id: page
        objectName: "page"
        anchors.fill: parent
        sourceComponent: app.page === "tabs" && app.tabs && app.tabs.fileManager ? tabsPage : serverPage
    }
    Component {
        id: serverPage
        ServerListPage { servers: app.servers }
    }
    Component {
        id: tabsPage
        TabsPage { tabs: app.tabs }
    }
    // The More screen and the screens it opens, over the page in front.
    Loader {
        objectName: "moreLayer"
        anchors.fill: parent
        active: app.more !== null
        sourceComponent: StackView {
            id: moreStack
            objectName: "moreStack"
            initialItem: MorePage {
                more: app.more
                stack: moreStack
            }
        }
    }
    LinkBannerBar {
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        // Above the tab bar: the page's bar and its section menu stay in reach.
        anchors.bottomMargin: 60
        banner: app.linkBanner
    }
    // The first-run introduction covers the whole window, bars included.
    IntroPanel {
        anchors.fill: parent
        pages: app.servers.introPages
        onFinished: app.servers.finishIntro()
    }
    OverlayLayer {
        anchors.fill: parent
        overlay: app.overlay
    }
}
