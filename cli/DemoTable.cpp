#include "DemoTable.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>

namespace pd::cli {

namespace {

std::string padded(std::string text, std::size_t width) {
    text.resize(std::max(text.size(), width), ' ');
    return text;
}

std::string secondsText(double seconds) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%8.2f", seconds);
    return buffer;
}

std::string resultText(const DemoTable::Row& row) {
    return row.failure.empty() ? "ok" : "failed: " + row.failure;
}

}  // namespace

void DemoTable::run(const Output& out, const std::string& capability, const std::string& title,
                    const std::function<Reason()>& step) {
    out.say("> " + title);
    const auto start = std::chrono::steady_clock::now();
    Reason failure = step();
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    if (!failure.empty()) {
        out.say("  failed: " + failure);
    }
    rows_.push_back({capability, std::move(failure), took.count()});
}

bool DemoTable::allOk() const {
    return std::all_of(rows_.begin(), rows_.end(), [](const Row& r) { return r.failure.empty(); });
}

void DemoTable::print(const Output& out) const {
    std::size_t nameWidth = std::string("capability").size();
    std::size_t resultWidth = std::string("result").size();
    for (const Row& row : rows_) {
        nameWidth = std::max(nameWidth, row.capability.size());
        resultWidth = std::max(resultWidth, resultText(row).size());
    }
    out.begin({{"steps", nlohmann::json::array()}});
    out.line("");
    out.line(padded("capability", nameWidth) + "  " + padded("result", resultWidth) + "  time (s)");
    out.line(std::string(nameWidth, '-') + "  " + std::string(resultWidth, '-') + "  --------");
    for (const Row& row : rows_) {
        nlohmann::json item = {{"capability", row.capability},
                               {"result", row.failure.empty() ? "ok" : "failed"},
                               {"seconds", std::round(row.seconds * 100) / 100}};
        if (!row.failure.empty()) {
            item["reason"] = row.failure;
        }
        out.result("step", "steps", item,
                   padded(row.capability, nameWidth) + "  " + padded(resultText(row), resultWidth) +
                       "  " + secondsText(row.seconds));
    }
    const auto failed =
        std::count_if(rows_.begin(), rows_.end(), [](const Row& r) { return !r.failure.empty(); });
    out.result("summary", "", {{"ok", failed == 0}},
               failed == 0 ? "every capability ok"
                           : std::to_string(failed) + " of " + std::to_string(rows_.size()) +
                                 " capabilities failed");
}

}  // namespace pd::cli
