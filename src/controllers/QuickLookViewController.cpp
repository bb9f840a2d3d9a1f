#include "controllers/QuickLookViewController.h"

#include "controllers/BrowserPaths.h"
#include "platform/ToolPackage.h"

namespace pd {

namespace {
constexpr std::chrono::seconds kTipDuration{1};
}  // namespace

QuickLookViewController::QuickLookViewController(std::string path) : path_(std::move(path)) {}

std::string QuickLookViewController::fileName() const {
    return lastPathComponent(path_);
}

void QuickLookViewController::viewDidLoad() {
    if (auto v = view()) {
        v->setTitle(fileName());
        v->setIcon(ToolPackage::FileExtImg(fileName(), true));
        v->setProgress(progress_, false);
        v->setLoadingText("hard loading");
    }
    // A copy: the callback may replace the callbacks or end this screen.
    if (auto finish = finishBlock_) {
        finish();
    }
}

void QuickLookViewController::setProgress(float fraction) {
    progress_ = fraction;
    auto v = view();
    if (v) {
        v->setProgress(fraction, true);
    }
    if (fraction == 1.0f && !documentOpened_) {
        documentOpened_ = true;
        if (v) {
            v->openDocument(path_);
        }
    }
}

void QuickLookViewController::downloadFailed() {
    if (auto v = view()) {
        v->showTip("operation failed", kTipDuration);
    }
}

void QuickLookViewController::DoBack() {
    // Copies first: the pop callback may drop the last reference to this screen.
    auto v = view();
    if (auto pop = popBlock_) {
        pop();
    }
    if (v) {
        v->closeScreen();
    }
}

}  // namespace pd
