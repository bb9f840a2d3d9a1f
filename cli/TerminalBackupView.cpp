#include "TerminalBackupView.h"

#include "TextFormat.h"

#include <algorithm>
#include <cstdio>

namespace pd::cli {

namespace {

constexpr std::size_t kBarWidth = 30;

}  // namespace

void TerminalBackupView::clearBar() {
    if (barShown_) {
        writeStderr("\r\033[K");
        barShown_ = false;
    }
}

void TerminalBackupView::setTimeLine(const std::string& text) {
    // While the bar is drawn it shows the progress; otherwise each line is said as it comes.
    if (text.empty() || (drawsBar_ && ringShown_)) {
        return;
    }
    clearBar();
    out_.event({{"event", "status"}, {"text", text}}, text);
}

void TerminalBackupView::showTip(const std::string& key, std::chrono::milliseconds) {
    tips.push_back(key);
    out_.event({{"event", "tip"}, {"key", key}}, key);
}

void TerminalBackupView::setProgressRing(std::size_t done, std::size_t total) {
    out_.event({{"event", "progress"}, {"done", done}, {"total", total}}, "");
    if (!drawsBar_ || total == 0) {
        return;
    }
    const std::size_t filled = std::min(kBarWidth, done * kBarWidth / total);
    std::string bar = "\r[" + std::string(filled, '#') + std::string(kBarWidth - filled, ' ') +
                      "] " + std::to_string(done) + "/" + std::to_string(total) + " photos";
    writeStderr(bar);
    barShown_ = true;
}

void TerminalBackupView::itemEnded(const std::string& fileName, UploadOutcome outcome) {
    clearBar();
    const bool sent = outcome == UploadOutcome::Sent;
    const std::string name = fileName.empty() ? std::string("(unreadable photo)") : fileName;
    out_.result("item", "items",
                {{"name", fileName}, {"sent", sent}, {"outcome", describe(outcome)}},
                (sent ? "sent    " : "FAILED  ") + visibleText(name) +
                    (sent ? "" : std::string(": ") + describe(outcome)));
}

void TerminalBackupView::backupEnded(const BackupReport& r) {
    clearBar();
    report = r;
}

}  // namespace pd::cli
