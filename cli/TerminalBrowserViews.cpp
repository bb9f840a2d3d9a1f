#include "TerminalBrowserViews.h"

#include "LineReader.h"

#include "platform/Localization.h"

namespace pd::cli {

void confirmOnTerminal(const Output& out, bool answerYes, const std::string& key,
                       const std::vector<std::string>& buttons, std::function<void(int)> answer) {
    const int ok = static_cast<int>(buttons.size()) - 1;
    if (answerYes) {
        out.event({{"event", "confirm"}, {"key", key}, {"answer", "ok"}},
                  Localized(key) + " (" + Localized("ok") + ")");
        answer(ok);
        return;
    }
    if (!stdinIsTerminal()) {
        out.error(Localized(key) + ": not confirmed (use --yes to confirm)");
        answer(0);
        return;
    }
    readLineAsync(Localized(key) + " [y/N] ", [answer, ok](std::string line) {
        answer(!line.empty() && (line[0] == 'y' || line[0] == 'Y') ? ok : 0);
    });
}

void TerminalDiskView::askConfirmation(const std::string& key,
                                       const std::vector<std::string>& buttons,
                                       std::function<void(int)> answer) {
    confirmOnTerminal(out_, answerYes_, key, buttons, std::move(answer));
}

void TerminalDownloadListView::askConfirmation(const std::string& key,
                                               const std::vector<std::string>& buttons,
                                               std::function<void(int)> answer) {
    confirmOnTerminal(out_, answerYes_, key, buttons, std::move(answer));
}

}  // namespace pd::cli
