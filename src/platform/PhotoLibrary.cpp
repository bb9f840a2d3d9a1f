#include "platform/PhotoLibrary.h"

#include "platform/AssetUrl.h"
#include "platform/Log.h"
#include "platform/SerialQueue.h"

#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <set>
#include <string>

namespace pd {

namespace fs = std::filesystem;

namespace {

struct RootSetting {
    std::mutex mutex;
    std::optional<fs::path> explicitRoot;
};

RootSetting& rootSetting() {
    static RootSetting* const s = new RootSetting();
    return *s;
}

struct DirClose {
    void operator()(DIR* d) const { ::closedir(d); }
};

bool isHidden(const char* name) {
    return name[0] == '.';
}

// The real path, with every link resolved; nullopt when it does not exist.
std::optional<std::string> realPath(const fs::path& p) {
    std::unique_ptr<char, decltype(&std::free)> real(::realpath(p.c_str(), nullptr), &std::free);
    if (!real) {
        return std::nullopt;
    }
    return std::string(real.get());
}

// The library folder with links resolved, so that link targets can be compared with it.
std::optional<fs::path> canonicalRoot(const fs::path& root, std::error_code& ec) {
    const auto real = realPath(root);
    struct stat st {};
    if (!real || ::stat(real->c_str(), &st) != 0) {
        ec = {errno, std::generic_category()};
        return std::nullopt;
    }
    if (!S_ISDIR(st.st_mode)) {
        ec = std::make_error_code(std::errc::not_a_directory);
        return std::nullopt;
    }
    return fs::path(*real);
}

// The library path ("name" or "album/name") of a folder entry: its own for a regular file, the
// target's for a link that ends at a file of the library; nullopt for anything else.
std::optional<std::string> libraryPathOf(const fs::path& canonRoot, const std::string& folder,
                                         const std::string& name) {
    const fs::path entry = canonRoot / folder / name;
    struct stat st {};
    if (::lstat(entry.c_str(), &st) != 0) {
        return std::nullopt;  // vanished since the listing
    }
    if (S_ISREG(st.st_mode)) {
        return folder.empty() ? name : folder + "/" + name;
    }
    if (!S_ISLNK(st.st_mode)) {
        return std::nullopt;
    }
    const auto target = realPath(entry);
    const std::string prefix = canonRoot.string() + "/";
    if (!target || !target->starts_with(prefix)) {
        return std::nullopt;  // broken, or outside the library
    }
    std::string relative = target->substr(prefix.size());
    if (!AssetUrl::isLibraryPath(relative)) {
        return std::nullopt;
    }
    return relative;
}

std::vector<Asset> assetsOf(const fs::path& canonRoot, const std::string& folder) {
    std::vector<Asset> assets;
    std::unique_ptr<DIR, DirClose> dir(::opendir((canonRoot / folder).c_str()));
    if (!dir) {
        return assets;
    }
    std::set<std::string> seen;
    while (const dirent* entry = ::readdir(dir.get())) {
        if (isHidden(entry->d_name)) {
            continue;
        }
        const auto relative = libraryPathOf(canonRoot, folder, entry->d_name);
        if (!relative || !seen.insert(*relative).second) {
            continue;
        }
        if (auto asset = Asset::fromFile(canonRoot / *relative, *relative)) {
            assets.push_back(std::move(*asset));
        }
    }
    // Newest first; equal dates in URL order, so every run lists the same way.
    std::sort(assets.begin(), assets.end(), [](const Asset& a, const Asset& b) {
        return a.date() != b.date() ? a.date() > b.date() : a.url() < b.url();
    });
    return assets;
}

std::optional<fs::path> absoluteFromEnv(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value != '/') {
        return std::nullopt;
    }
    return fs::path(value);
}

}  // namespace

void PhotoLibrary::setDefaultRoot(std::optional<fs::path> root) {
    std::lock_guard lock(rootSetting().mutex);
    rootSetting().explicitRoot = std::move(root);
}

fs::path PhotoLibrary::defaultRoot() {
    {
        std::lock_guard lock(rootSetting().mutex);
        if (rootSetting().explicitRoot) {
            return *rootSetting().explicitRoot;
        }
    }
    if (auto pictures = absoluteFromEnv("XDG_PICTURES_DIR")) {
        return *pictures;
    }
    if (auto home = absoluteFromEnv("HOME")) {
        return *home / "Pictures";
    }
    if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_dir != nullptr) {
        return fs::path(pw->pw_dir) / "Pictures";
    }
    return fs::path("Pictures");
}

SerialQueue& PhotoLibrary::queue() {
    static SerialQueue* const q = new SerialQueue("photo-library");
    return *q;
}

PhotoLibrary::PhotoLibrary(fs::path root) : root_(std::move(root)) {}

std::vector<AssetGroup> PhotoLibrary::groups() const {
    std::error_code ec;
    const auto canonRoot = canonicalRoot(root_, ec);
    if (!canonRoot) {
        PD_LOG_WARN("photo library {}: {}", root_.string(), ec.message());
        return {};
    }
    std::unique_ptr<DIR, DirClose> dir(::opendir(canonRoot->c_str()));
    if (!dir) {
        PD_LOG_WARN("photo library {} cannot be read", canonRoot->string());
        return {};
    }
    std::vector<AssetGroup> albums;
    while (const dirent* entry = ::readdir(dir.get())) {
        struct stat st {};
        if (!isHidden(entry->d_name) && ::lstat((*canonRoot / entry->d_name).c_str(), &st) == 0 &&
            S_ISDIR(st.st_mode)) {
            albums.push_back({entry->d_name, entry->d_name, false});
        }
    }
    std::sort(albums.begin(), albums.end(),
              [](const AssetGroup& a, const AssetGroup& b) { return a.name < b.name; });
    albums.insert(albums.begin(), AssetGroup{kCameraRollName, "", true});
    return albums;
}

void PhotoLibrary::enumerateAssets(const AssetGroup& group, const AssetBlock& block) const {
    if (!group.folder.empty() &&
        (group.folder.find('/') != std::string::npos || isHidden(group.folder.c_str()))) {
        return;  // not a group of this library
    }
    std::error_code ec;
    const auto canonRoot = canonicalRoot(root_, ec);
    if (!canonRoot) {
        return;
    }
    const std::vector<Asset> assets = assetsOf(*canonRoot, group.folder);
    for (std::size_t i = 0; i < assets.size(); ++i) {
        block(assets[i], assets.size() - 1 - i);
    }
}

void PhotoLibrary::assetForURL(std::string url, ResultBlock resultBlock,
                               FailureBlock failureBlock) const {
    queue().async([root = root_, url = std::move(url), resultBlock = std::move(resultBlock),
                   failureBlock = std::move(failureBlock)] {
        const auto relative = AssetUrl::relativePath(url);
        std::error_code ec = std::make_error_code(std::errc::invalid_argument);
        const auto canonRoot = relative ? canonicalRoot(root, ec) : std::nullopt;
        if (!canonRoot) {
            if (failureBlock) {
                failureBlock(ec);
            }
            return;
        }
        // Only the file itself counts: a path through a link is no asset of this library.
        const fs::path file = *canonRoot / *relative;
        std::optional<Asset> asset;
        if (realPath(file) == file.string()) {
            asset = Asset::fromFile(file, *relative);
        }
        if (resultBlock) {
            resultBlock(std::move(asset));
        }
    });
}

}  // namespace pd
