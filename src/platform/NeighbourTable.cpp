#include "platform/NeighbourTable.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <utility>
#include <vector>

namespace pd {

namespace {

// The kernel's "entry is complete" flag (ATF_COM in <net/if_arp.h>).
constexpr unsigned kCompleteFlag = 0x02;
// Far more than any neighbour table; bounds what a strange file could make us hold.
constexpr std::size_t kMaxTableBytes = 1 << 20;

std::vector<std::string_view> words(std::string_view line) {
    std::vector<std::string_view> out;
    std::size_t at = 0;
    while (at < line.size()) {
        at = line.find_first_not_of(" \t\r", at);
        if (at == std::string_view::npos) {
            break;
        }
        const std::size_t end = std::min(line.find_first_of(" \t\r", at), line.size());
        out.push_back(line.substr(at, end - at));
        at = end;
    }
    return out;
}

std::optional<unsigned> hexFlags(std::string_view text) {
    if (!text.starts_with("0x")) {
        return std::nullopt;
    }
    text.remove_prefix(2);
    unsigned value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty()) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

std::optional<HardwareAddress> hardwareAddressIn(std::string_view table, std::string_view ip) {
    bool header = true;
    while (!table.empty()) {
        const std::size_t end = table.find('\n');
        const std::string_view line = table.substr(0, end);
        table.remove_prefix(end == std::string_view::npos ? table.size() : end + 1);
        if (std::exchange(header, false)) {
            continue;
        }
        const std::vector<std::string_view> fields = words(line);
        if (fields.size() < 6 || fields[0] != ip) {
            continue;
        }
        const std::optional<unsigned> flags = hexFlags(fields[2]);
        const std::optional<HardwareAddress> address = parseHardwareAddress(fields[3]);
        if (!flags || (*flags & kCompleteFlag) == 0 || !address || *address == HardwareAddress{}) {
            continue;
        }
        return address;
    }
    return std::nullopt;
}

NeighbourTable::NeighbourTable(std::filesystem::path file) : file_(std::move(file)) {}

std::optional<HardwareAddress> NeighbourTable::hardwareAddressOf(const std::string& ip) const {
    // /proc files report a size of 0, so read up to the bound instead of asking for the size.
    std::ifstream in(file_, std::ios::binary);
    if (!in.is_open()) {
        return std::nullopt;
    }
    std::string text(kMaxTableBytes, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    return hardwareAddressIn(text, ip);
}

}  // namespace pd
