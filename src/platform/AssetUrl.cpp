#include "platform/AssetUrl.h"

#include "platform/UrlEncode.h"

#include <algorithm>
#include <cctype>

namespace pd {

namespace {

std::string upperExtension(std::string_view relativePath) {
    const auto slash = relativePath.find_last_of('/');
    const std::string_view name =
        slash == std::string_view::npos ? relativePath : relativePath.substr(slash + 1);
    const auto dot = name.find_last_of('.');
    std::string ext(dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1));
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return ext;
}

// File names need not be UTF-8, so unlike UrlEncode's decoder this takes any escaped byte.
std::optional<std::string> percentDecoded(std::string_view text) {
    const auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        return -1;
    };
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size()) {
            return std::nullopt;
        }
        const int high = hex(text[i + 1]);
        const int low = hex(text[i + 2]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return out;
}

}  // namespace

bool AssetUrl::isLibraryPath(std::string_view path) {
    int components = 0;
    while (true) {
        const auto slash = path.find('/');
        const std::string_view part = path.substr(0, slash);
        if (part.empty() || part.front() == '.' || ++components > 2) {
            return false;
        }
        if (slash == std::string_view::npos) {
            return true;
        }
        path.remove_prefix(slash + 1);
    }
}

std::string AssetUrl::fromRelativePath(std::string_view relativePath) {
    return std::string(kPrefix) + UrlEncode::encodeToPercentEscapeString(relativePath) +
           "?ext=" + upperExtension(relativePath);
}

std::optional<std::string> AssetUrl::relativePath(std::string_view url) {
    if (!url.starts_with(kPrefix)) {
        return std::nullopt;
    }
    url.remove_prefix(kPrefix.size());
    const auto query = url.find('?');
    std::optional<std::string> path = percentDecoded(url.substr(0, query));
    if (!path || path->find('\0') != std::string::npos || !isLibraryPath(*path)) {
        return std::nullopt;
    }
    return path;
}

}  // namespace pd
