#include "VirtualPath.h"

#include "platform/Utf8.h"

namespace pd::peer {

static bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] - 'A' + 'a') : a[i];
        char y = b[i] >= 'A' && b[i] <= 'Z' ? static_cast<char>(b[i] - 'A' + 'a') : b[i];
        if (x != y) {
            return false;
        }
    }
    return true;
}

static bool isDriveComponent(std::string_view c) {
    return c.size() == 2 && c[1] == ':' &&
           ((c[0] >= 'A' && c[0] <= 'Z') || (c[0] >= 'a' && c[0] <= 'z'));
}

std::optional<VirtualPath> VirtualPath::parse(std::string_view text) {
    if (text.size() > kMaxPathBytes || text.find('\0') != std::string_view::npos ||
        !isValidUtf8(text)) {
        return std::nullopt;
    }
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find_first_of("/\\", start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view c = text.substr(start, end - start);
        start = end + 1;
        if (c.empty() || c == ".") {
            continue;
        }
        if (c == ".." || c.size() > kMaxComponentBytes) {
            return std::nullopt;
        }
        parts.emplace_back(c);
    }

    VirtualPath p;
    if (parts.empty()) {
        return p;
    }
    if (isDriveComponent(parts.front())) {
        p.base_ = Base::Drive;
        char l = parts.front()[0];
        p.letter_ = l >= 'a' ? static_cast<char>(l - 'a' + 'A') : l;
    } else if (equalsIgnoringCase(parts.front(), kDesktopName)) {
        p.base_ = Base::Desktop;
    } else {
        return std::nullopt;
    }
    parts.erase(parts.begin());
    p.parts_ = std::move(parts);
    return p;
}

static std::string join(std::string head, const std::vector<std::string>& parts, char sep) {
    for (const std::string& c : parts) {
        head.push_back(sep);
        head += c;
    }
    return head;
}

std::string VirtualPath::windowsText() const {
    switch (base_) {
        case Base::Root:
            return {};
        case Base::Desktop:
            return join(kDesktopName, parts_, '\\');
        case Base::Drive:
            break;
    }
    std::string head{letter_, ':'};
    return parts_.empty() ? head + "\\" : join(head, parts_, '\\');
}

std::string VirtualPath::slashText() const {
    switch (base_) {
        case Base::Root:
            return {};
        case Base::Desktop:
            return join(kDesktopName, parts_, '/');
        case Base::Drive:
            break;
    }
    return join(std::string{letter_, ':'}, parts_, '/');
}

}  // namespace pd::peer
