#include "ProgressBoard.h"

#include "Output.h"
#include "TextFormat.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>

namespace pd::cli {

namespace {

constexpr std::size_t kBarWidth = 20;
// Everything on a line but the name: " [bar] 100%  bytes  speed  ETA" at their widest.
constexpr std::size_t kFigures = 2 + kBarWidth + 6 + 2 + 19 + 2 + 10 + 2 + 11;

std::size_t terminalColumns() {
    winsize ws{};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0)
        return ws.ws_col;
    return 80;
}

std::string padLeft(std::string text, std::size_t width) {
    if (text.size() < width)
        text.insert(0, width - text.size(), ' ');
    return text;
}

}  // namespace

std::string progressLine(std::string_view name, std::size_t nameWidth, std::uint64_t received,
                         std::uint64_t total, double bytesPerSecond, bool done) {
    if (done && total > 0)
        received = total;
    std::string line = fitToWidth(name, nameWidth);
    if (total > 0) {
        const double fraction = std::min(1.0, static_cast<double>(received) / total);
        // Full only when the file is whole: 99.7% must not look finished.
        int percent = static_cast<int>(fraction * 100.0);
        if (received >= total)
            percent = 100;
        const auto filled = static_cast<std::size_t>(percent) * kBarWidth / 100;
        line += " [";
        line.append(filled, '#');
        line.append(kBarWidth - filled, '.');
        line += "] " + padLeft(std::to_string(percent) + "%", 4);
        line += "  " + padLeft(formatSize(received) + " / " + formatSize(total), 19);
    } else {
        line += "  " + padLeft(formatSize(received), 8);
    }
    if (bytesPerSecond > 0)
        line += "  " + padLeft(formatRate(bytesPerSecond), 10);
    if (done) {
        line += "  done";
    } else if (total > received && bytesPerSecond > 0) {
        const auto left = static_cast<long long>(
            std::ceil(static_cast<double>(total - received) / bytesPerSecond));
        line += "  ETA " + formatDuration(std::chrono::seconds(left));
    }
    return line;
}

ProgressBoard::ProgressBoard(bool enabled)
    : enabled_(enabled), columns_(enabled ? terminalColumns() : 80) {}

std::size_t ProgressBoard::add(std::string name) {
    lines_.push_back(Line{std::move(name)});
    return lines_.size() - 1;
}

void ProgressBoard::update(std::size_t i, std::uint64_t received, std::uint64_t total) {
    Line& l = lines_.at(i);
    const auto now = Clock::now();
    if (!l.seen) {
        l.seen = true;
        l.firstSeen = now;
        l.firstReceived = received;
    }
    l.received = received;
    l.total = total;
    const double seconds = std::chrono::duration<double>(now - l.firstSeen).count();
    // The average since the line appeared: steady enough to read and to estimate the rest.
    if (seconds >= 0.5 && received > l.firstReceived)
        l.rate = static_cast<double>(received - l.firstReceived) / seconds;
}

void ProgressBoard::complete(std::size_t i) {
    Line& l = lines_.at(i);
    l.done = true;
    if (l.total > 0)
        l.received = l.total;
}

void ProgressBoard::draw() {
    if (!enabled_ || lines_.empty())
        return;
    std::size_t nameWidth = 0;
    for (const auto& l : lines_)
        nameWidth = std::max(nameWidth, displayWidth(l.name));
    const std::size_t room = columns_ > kFigures + 8 ? columns_ - kFigures - 1 : 8;
    nameWidth = std::clamp<std::size_t>(nameWidth, 8, room);

    std::string text;
    if (drawn_ > 0)
        text += "\r\x1b[" + std::to_string(drawn_) + "A";
    for (const auto& l : lines_) {
        std::string line = progressLine(l.name, nameWidth, l.received, l.total, l.rate, l.done);
        // A line that wraps would break the redraw: cut it to the terminal's width.
        if (displayWidth(line) >= columns_)
            line = fitToWidth(line, columns_ - 1);
        text += "\r" + line + "\x1b[K\n";
    }
    drawn_ = lines_.size();
    writeStderr(text);
}

void ProgressBoard::end() {
    draw();
}

}  // namespace pd::cli
