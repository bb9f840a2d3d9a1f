#include "TerminalBrowserViews.h"

#include "LineReader.h"

#include "app/MainLoop.h"

namespace pd::cli {

void confirmOnTerminal(const Output& out, bool answerYes, const std::string& key,
                       const std::vector<std::string>& buttons, std::function<void(int)> answer) {
    // The accepting button is the one that is not "cancel", wherever the screen put it.
    int ok = -1;
    int cancel = -1;
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        (buttons[i] == "cancel" ? cancel : ok) = static_cast<int>(i);
    }
    if (ok < 0)
        ok = 0;
    if (cancel < 0)
        cancel = ok;
    const std::string question =
        app::displayText(key.empty() ? buttons[static_cast<std::size_t>(ok)] : key);
    if (answerYes) {
        // --yes asks nothing and prints nothing; the event stream still records the answer.
        out.event(
            {{"event", "confirm"}, {"key", key}, {"answer", buttons[static_cast<std::size_t>(ok)]}},
            "");
        answer(ok);
        return;
    }
    // A terminal or a pipe may answer ("echo y | pocketdesk ..."); no answer is a no.
    readLineAsync(question + " [y/N] ", [&out, question, answer, ok, cancel](std::string line) {
        const auto start = line.find_first_not_of(" \t");
        const bool yes = start != std::string::npos && (line[start] == 'y' || line[start] == 'Y');
        if (!yes && start == std::string::npos && !stdinIsTerminal())
            out.error(question + ": no answer, not confirmed (answer y, or give --yes)");
        answer(yes ? ok : cancel);
    });
}

void TerminalDiskView::askConfirmation(const std::string& key,
                                       const std::vector<std::string>& buttons,
                                       std::function<void(int)> answer) {
    confirmOnTerminal(out_, answerYes_, key, buttons,
                      [this, buttons, answer = std::move(answer)](int chosen) {
                          if (buttons.at(static_cast<std::size_t>(chosen)) == "cancel") {
                              record.declined = true;
                          }
                          answer(chosen);
                      });
}

void TerminalDownloadListView::askConfirmation(const std::string& key,
                                               const std::vector<std::string>& buttons,
                                               std::function<void(int)> answer) {
    confirmOnTerminal(out_, answerYes_, key, buttons,
                      [this, buttons, answer = std::move(answer)](int chosen) {
                          if (buttons.at(static_cast<std::size_t>(chosen)) == "cancel") {
                              record.declined = true;
                          }
                          answer(chosen);
                      });
}

}  // namespace pd::cli
