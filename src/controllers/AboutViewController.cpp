#include "controllers/AboutViewController.h"

#include "platform/Localization.h"
#include "platform/ToolPackage.h"

namespace pd {

std::vector<AboutRow> AboutViewController::rows() {
    // Our own page is the only address given: the screen names no one else.
    const std::string home = Localized("homeUrl");
    return {
        {"about_version", Localized("app name") + " " + ToolPackage::GetAppVersion(), ""},
        {"about_web", home, home},
        {"about_link", Localized("about link"), ""},
        {"about_phone_files", Localized("about phone files"), ""},
    };
}

void AboutViewController::viewDidLoad() {
    if (auto v = view_.lock()) {
        v->setTitle("about");
        v->setRows(rows());
    }
}

void AboutViewController::didSelectRow(std::size_t row) {
    const auto all = rows();
    if (row >= all.size() || all[row].url.empty()) {
        return;
    }
    if (auto v = view_.lock()) {
        v->openUrl(all[row].url);
    }
}

}  // namespace pd
