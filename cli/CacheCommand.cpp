// cache: the size of the preview cache, and its clearing, through the More screen.

#include "Commands.h"
#include "ComputerSession.h"
#include "TerminalBrowserViews.h"

#include <chrono>

namespace pd::cli {

namespace {

constexpr auto kMeasureLimit = std::chrono::minutes(10);

}  // namespace

int runCache(const GlobalOptions& options, bool clear) {
    Output out(options.outputMode());
    ComputerSession session(options, out);
    TerminalMoreView* view = session.showMore();
    auto screen = session.app().more();
    if (!view || !screen) {
        out.error("the More screen did not open");
        return kExitFailure;
    }
    session.waitFor([&] { return !screen->isMeasuring(); }, kMeasureLimit);
    const std::string folder = screen->cacheDir();
    if (!clear) {
        out.result("cache", "",
                   {{"path", folder}, {"bytes", view->sizeBytes}, {"size", view->sizeText}},
                   view->sizeText + "  " + folder);
        out.finish();
        return kExitOk;
    }
    bool confirmed = screen->cacheDirSize() < MoreTableViewController::kClearThreshold;
    if (!confirmed) {
        bool answered = false;
        confirmOnTerminal(out, options.yes, "sure clear cache", {"cancel", "ok"}, [&](int chosen) {
            answered = true;
            confirmed = chosen == 1;
        });
        session.waitFor([&] { return answered; }, std::chrono::hours(24));
        if (!confirmed) {
            out.result("cleared", "", {{"path", folder}, {"freed_bytes", 0}, {"cleared", false}},
                       "not cleared");
            out.finish();
            return kExitOk;
        }
    }
    screen->didSelectRow(MoreTableViewController::kClearCacheTag);
    session.waitFor([&] { return view->cleared.has_value(); }, kMeasureLimit);
    switch (view->cleared.value_or(CacheClearOutcome::Failed)) {
        case CacheClearOutcome::Cleared:
        case CacheClearOutcome::NothingToClear:
            out.result("cleared", "",
                       {{"path", folder},
                        {"freed_bytes", view->freed},
                        {"cleared", view->cleared == CacheClearOutcome::Cleared}},
                       view->tip);
            out.finish();
            return kExitOk;
        case CacheClearOutcome::Failed:
            break;
    }
    out.error(view->tip.empty() ? "the cache could not be cleared" : view->tip);
    return kExitFailure;
}

}  // namespace pd::cli
