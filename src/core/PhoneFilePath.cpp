#include "core/PhoneFilePath.h"

namespace pd {

namespace {

std::optional<std::vector<std::string>> documentsComponents(std::string_view rest) {
    if (!rest.empty() && rest.front() == '/') {
        return std::nullopt;  // "/我的文档//etc": an absolute remainder
    }
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start <= rest.size()) {
        const std::size_t slash = rest.find('/', start);
        const std::size_t end = slash == std::string_view::npos ? rest.size() : slash;
        const std::string_view part = rest.substr(start, end - start);
        if (part == "." || part == ".." || part.find('\0') != std::string_view::npos) {
            return std::nullopt;
        }
        if (!part.empty()) {
            out.emplace_back(part);
        }
        start = end + 1;
    }
    return out;
}

}  // namespace

std::vector<std::string_view> pathComponents(std::string_view path) {
    std::vector<std::string_view> out;
    if (path.starts_with('/')) {
        out.push_back(path.substr(0, 1));
    }
    std::size_t start = 0;
    while (start < path.size()) {
        std::size_t slash = path.find('/', start);
        if (slash == std::string_view::npos) {
            slash = path.size();
        }
        if (slash > start) {
            out.push_back(path.substr(start, slash - start));
        }
        start = slash + 1;
    }
    return out;
}

bool namesAlbum(std::string_view argument) {
    const auto parts = pathComponents(argument);
    return parts.size() >= 2 && parts[0] == "/" && parts[1] == phonefiles::kAlbumName;
}

PhoneFilePath classifyPhoneFilePath(std::string_view argument) {
    using Kind = PhoneFilePath::Kind;
    const std::string album = "/" + std::string(phonefiles::kAlbumName);
    const std::string documents = "/" + std::string(phonefiles::kDocumentsName);
    PhoneFilePath out;
    if (argument == "/") {
        out.kind = Kind::Root;
    } else if (argument == album) {
        out.kind = Kind::Album;
    } else if (argument == documents) {
        out.kind = Kind::DocumentsTop;
    } else if (argument.starts_with(album + "/")) {
        const std::string_view name = argument.substr(album.size() + 1);
        if (!name.empty() && name.find('/') == std::string_view::npos &&
            name.find('\0') == std::string_view::npos) {
            out.kind = Kind::AlbumPhoto;
            out.photoName = std::string(name);
        }
    } else if (argument.starts_with(documents + "/")) {
        if (auto parts = documentsComponents(argument.substr(documents.size() + 1))) {
            out.kind = Kind::Documents;
            out.components = std::move(*parts);
        }
    } else if (pathComponents(argument).size() == 3 && argument.starts_with('/')) {
        out.kind = Kind::OtherThreeParts;
    }
    return out;
}

}  // namespace pd
