#include "LineReader.h"

#include "Output.h"

#include "app/MainLoop.h"

#include <unistd.h>

#include <iostream>
#include <thread>

namespace pd::cli {

bool stdinIsTerminal() {
    return ::isatty(STDIN_FILENO) == 1;
}

void readLineAsync(const std::string& prompt, std::function<void(std::string)> answer) {
    writeStderr(prompt);
    std::thread([answer = std::move(answer)] {
        std::string line;
        if (!std::getline(std::cin, line)) {
            line.clear();
        }
        // A piped answer is not echoed: end the prompt's line so the next message starts clean.
        if (!stdinIsTerminal())
            writeStderr("\n");
        app::postToMain([answer, line] { answer(line); });
    }).detach();
}

}  // namespace pd::cli
