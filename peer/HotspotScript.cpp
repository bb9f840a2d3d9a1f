#include "HotspotScript.h"

#include "platform/Utf8.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <iterator>

namespace pd::peer {

namespace {

using Result = std::variant<HotspotScript, HotspotScript::Error>;

std::string_view trimmed(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!s.empty() && blank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && blank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

template <typename T>
bool wholeNumber(std::string_view text, T& value) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && !text.empty();
}

// The fields of a device line, or why it is not one.
std::variant<std::vector<std::string_view>, std::string> splitDevice(std::string_view line) {
    std::vector<std::string_view> fields;
    for (;;) {
        const std::size_t bar = line.find('|');
        fields.push_back(trimmed(line.substr(0, bar)));
        if (bar == std::string_view::npos) {
            break;
        }
        line.remove_prefix(bar + 1);
    }
    if (fields.size() != 4) {
        return "a device line is MODEL|MAC|SPEED|CONNTYPE (" + std::to_string(fields.size()) +
               " fields)";
    }
    for (std::string_view f : fields) {
        if (f.size() > kMaxScriptFieldBytes) {
            return "a field is longer than " + std::to_string(kMaxScriptFieldBytes) + " bytes";
        }
        if (!isValidUtf8(f) || std::any_of(f.begin(), f.end(),
                                           [](unsigned char c) { return c < 0x20 || c == 0x7f; })) {
            return "a field holds invalid UTF-8 or a control character";
        }
    }
    return fields;
}

}  // namespace

Result HotspotScript::parse(std::string_view text) {
    HotspotScript script;
    std::size_t number = 0;
    while (!text.empty()) {
        ++number;
        const std::size_t end = text.find('\n');
        const std::string_view line = trimmed(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.empty() || line.front() == '#') {
            continue;
        }
        const auto fail = [number](std::string message) {
            return Result(Error{number, std::move(message)});
        };
        if (line.starts_with("AT ") || line == "AT") {
            std::int64_t at = 0;
            if (!wholeNumber(trimmed(line.substr(2)), at) || at < 0) {
                return fail("AT takes a whole number of seconds, 0 or more");
            }
            if (!script.states_.empty() && at <= script.states_.back().at) {
                return fail("AT " + std::to_string(at) + " is not later than the state before");
            }
            if (script.states_.size() == kMaxScriptStates) {
                return fail("more than " + std::to_string(kMaxScriptStates) + " states");
            }
            script.states_.push_back(State{at, {}});
            continue;
        }
        if (script.states_.empty()) {
            return fail("a device line before the first AT line");
        }
        auto split = splitDevice(line);
        if (auto* why = std::get_if<std::string>(&split)) {
            return fail(*why);
        }
        const auto& fields = std::get<std::vector<std::string_view>>(split);
        std::int32_t connType = 0;
        if (!wholeNumber(fields[3], connType) || connType < kConnTypeOrdinary ||
            connType > kConnTypeThisPhone) {
            return fail("CONNTYPE is 0 (ordinary), 1 (blocked) or 2 (this phone)");
        }
        std::vector<HotspotClient>& devices = script.states_.back().devices;
        if (devices.size() == kMaxScriptDevices) {
            return fail("more than " + std::to_string(kMaxScriptDevices) + " devices in one state");
        }
        HotspotClient device;
        device.phoneModel = fields[0];
        device.macAddress = fields[1];
        device.tranSpeed = fields[2];
        device.connType = connType;
        devices.push_back(std::move(device));
    }
    if (script.states_.empty()) {
        return Result(Error{0, "no AT line: the file holds no roster"});
    }
    return Result(std::move(script));
}

Result HotspotScript::load(const std::filesystem::path& file) {
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(file, ec);
    if (ec) {
        return Result(Error{0, "cannot read it: " + ec.message()});
    }
    if (size > kMaxScriptBytes) {
        return Result(Error{0, "larger than " + std::to_string(kMaxScriptBytes) + " bytes"});
    }
    std::ifstream in(file, std::ios::binary);
    if (!in.is_open()) {
        return Result(Error{0, "cannot open it"});
    }
    const std::string text(std::istreambuf_iterator<char>(in), {});
    return parse(text);
}

std::vector<HotspotClient> HotspotScript::snapshot(std::int64_t secondsUp) const {
    const auto after =
        std::upper_bound(states_.begin(), states_.end(), secondsUp,
                         [](std::int64_t t, const State& state) { return t < state.at; });
    if (after == states_.begin()) {
        return {};
    }
    std::vector<HotspotClient> devices = std::prev(after)->devices;
    const auto connTime =
        static_cast<std::int32_t>(std::clamp<std::int64_t>(secondsUp, 0, 1000000));
    for (HotspotClient& d : devices) {
        d.connTime = connTime;
    }
    return devices;
}

}  // namespace pd::peer
