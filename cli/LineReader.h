#pragma once
// Asks a question (on a terminal, or read from a pipe) without blocking the main queue: the answer
// is read on a thread of its own and handed to the main queue.

#include <functional>
#include <string>

namespace pd::cli {

bool stdinIsTerminal();
// Prints `prompt` on stderr, reads one line from stdin, and calls `answer` on the main queue
// (with the empty text at end of input).
void readLineAsync(const std::string& prompt, std::function<void(std::string)> answer);

}  // namespace pd::cli
