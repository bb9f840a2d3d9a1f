#include "Output.h"

#include <unistd.h>

#include <cerrno>
#include <mutex>

namespace pd::cli {

namespace {

constexpr std::size_t kFlushAt = 64 * 1024;

std::mutex gStdoutLock;
std::string gStdout;
bool gStdoutGone = false;  // the reader left (EPIPE): drop the rest quietly, as `| head` expects

void writeAll(int fd, std::string_view data, bool* gone) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (gone)
                *gone = true;
            return;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
}

void flushLocked() {
    if (!gStdoutGone)
        writeAll(STDOUT_FILENO, gStdout, &gStdoutGone);
    gStdout.clear();
}

void appendStdout(std::string_view text) {
    std::lock_guard lock(gStdoutLock);
    gStdout.append(text);
    if (gStdout.size() >= kFlushAt)
        flushLocked();
}

std::string dump(const nlohmann::json& j, int indent = -1) {
    return j.dump(indent, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace

void flushStdout() {
    std::lock_guard lock(gStdoutLock);
    flushLocked();
}

void writeStderr(std::string_view text) {
    flushStdout();
    writeAll(STDERR_FILENO, text, nullptr);
}

Output::~Output() {
    finish();
}

void Output::line(std::string_view line) const {
    if (mode_ != OutputMode::Text)
        return;
    std::string text(line);
    text += '\n';
    appendStdout(text);
}

void Output::block(std::string_view lines) const {
    if (mode_ == OutputMode::Text)
        appendStdout(lines);
}

void Output::result(std::string_view event, std::string_view list, nlohmann::json item,
                    std::string_view text) const {
    switch (mode_) {
        case OutputMode::Text:
            line(text);
            break;
        case OutputMode::Json:
            if (list.empty()) {
                if (!document_.is_object())
                    document_ = nlohmann::json::object();
                document_.update(item);
            } else {
                document_[std::string(list)].push_back(std::move(item));
            }
            break;
        case OutputMode::JsonLines: {
            nlohmann::json j = {{"event", event}};
            j.update(item);
            appendStdout(dump(j) + '\n');
            break;
        }
    }
}

void Output::jsonLine(const nlohmann::json& value) const {
    if (mode_ == OutputMode::Text)
        return;
    appendStdout(dump(value) + '\n');
    flushStdout();
}

void Output::event(const nlohmann::json& object, const std::string& text) const {
    if (mode_ == OutputMode::JsonLines) {
        appendStdout(dump(object) + '\n');
    } else if (mode_ == OutputMode::Text && !text.empty()) {
        writeStderr(text + '\n');
    }
}

void Output::say(const std::string& line) const {
    if (mode_ == OutputMode::Text)
        writeStderr(line + '\n');
}

void Output::error(const std::string& text) const {
    if (mode_ == OutputMode::JsonLines)
        appendStdout(dump({{"event", "error"}, {"message", text}}) + '\n');
    writeStderr("pocketdesk: " + text + '\n');
}

void Output::finish() const {
    if (mode_ == OutputMode::Json && !finished_ && !document_.is_null()) {
        appendStdout(dump(document_, 2) + '\n');
    }
    finished_ = true;
    flushStdout();
}

}  // namespace pd::cli
