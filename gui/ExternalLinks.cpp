#include "ExternalLinks.h"

#include <QDesktopServices>
#include <QUrl>

namespace pd::gui {

namespace {

LinkOpener& opener() {
    static LinkOpener open = [](const QString& url) { QDesktopServices::openUrl(QUrl(url)); };
    return open;
}

}  // namespace

void setLinkOpener(LinkOpener open) {
    opener() = std::move(open);
}

void openExternalLink(const QString& url) {
    if (opener()) {
        opener()(url);
    }
}

}  // namespace pd::gui
