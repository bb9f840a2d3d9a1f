#include "core/UserDataFolder.h"

#include "core/UniqueFd.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

namespace fs = std::filesystem;

namespace pd {

namespace {

constexpr int kMaxRemoveDepth = 256;

bool isInside(const fs::path& path, const fs::path& root) {
    auto p = path.begin();
    for (auto r = root.begin(); r != root.end(); ++r, ++p) {
        if (r->empty()) {
            continue;  // a trailing separator of the root
        }
        if (p == path.end() || *p != *r) {
            return false;
        }
    }
    return true;
}

bool listable(const std::string& name) {
    return !name.empty() && name[0] != '.' && name.find_first_of("\t\r\n") == std::string::npos;
}

double localMilliseconds(time_t mtime) {
    std::tm tm{};
    localtime_r(&mtime, &tm);
    return (static_cast<double>(mtime) + static_cast<double>(tm.tm_gmtoff)) * 1000.0;
}

// Opens the entry `name` in `dir` without following a link; O_NONBLOCK keeps a FIFO from
// stalling the open.
UniqueFd openNoFollow(int dir, const std::string& name, int flags) {
    return UniqueFd(::openat(dir, name.c_str(), flags | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
}

// A directory stream on a copy of `dir` (the stream owns and closes the copy).
DIR* openStream(int dir) {
    const int copy = ::dup(dir);
    DIR* stream = copy < 0 ? nullptr : ::fdopendir(copy);
    if (stream == nullptr && copy >= 0) {
        ::close(copy);
    }
    return stream;
}

// Walks `components` from `dir`, each one a folder and none a link.
UniqueFd openFolder(UniqueFd dir, const std::vector<std::string>& components, std::size_t count) {
    for (std::size_t i = 0; i < count && dir; ++i) {
        dir = openNoFollow(dir.get(), components[i], O_RDONLY | O_DIRECTORY);
    }
    return dir;
}

bool removeTree(int parent, const std::string& name, int depth) {
    if (depth > kMaxRemoveDepth) {
        return false;
    }
    UniqueFd dir = openNoFollow(parent, name, O_RDONLY | O_DIRECTORY);
    if (!dir) {
        return false;
    }
    DIR* stream = openStream(dir.get());
    if (stream == nullptr) {
        return false;
    }
    bool ok = true;
    while (dirent* e = ::readdir(stream)) {
        const std::string child = e->d_name;
        if (child == "." || child == "..") {
            continue;
        }
        struct stat st {};
        if (::fstatat(dir.get(), child.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            continue;  // gone meanwhile
        }
        ok = (S_ISDIR(st.st_mode) ? removeTree(dir.get(), child, depth + 1)
                                  : ::unlinkat(dir.get(), child.c_str(), 0) == 0) &&
             ok;
    }
    ::closedir(stream);
    return ok && ::unlinkat(parent, name.c_str(), AT_REMOVEDIR) == 0;
}

class FolderFileSource : public UploadSource {
  public:
    FolderFileSource(UniqueFd fd, std::uint64_t size, std::string name)
        : fd_(std::move(fd)), size_(size), name_(std::move(name)) {}
    const std::string& name() const override { return name_; }
    std::uint64_t size() const override { return size_; }
    std::optional<std::size_t> read(std::uint64_t offset, std::span<char> buffer) override {
        for (;;) {
            const ssize_t n =
                ::pread(fd_.get(), buffer.data(), buffer.size(), static_cast<off_t>(offset));
            if (n >= 0) {
                return static_cast<std::size_t>(n);
            }
            if (errno != EINTR) {
                return std::nullopt;
            }
        }
    }

  private:
    UniqueFd fd_;
    std::uint64_t size_;
    std::string name_;
};

}  // namespace

fs::path UserDataFolder::canonicalRoot() const {
    std::error_code ec;
    fs::path root = fs::weakly_canonical(root_, ec);
    return ec ? root_ : root;
}

std::optional<std::vector<std::string>> UserDataFolder::resolve(
    const std::vector<std::string>& components, fs::path* canonical) const {
    const fs::path root = canonicalRoot();
    fs::path full = root;
    for (const auto& c : components) {
        full /= c;
    }
    std::error_code ec;
    const fs::path resolved = fs::weakly_canonical(full, ec);
    if (ec || !isInside(resolved, root)) {
        return std::nullopt;
    }
    std::vector<std::string> below;
    for (const auto& part : resolved.lexically_relative(root)) {
        if (!part.empty() && part != ".") {
            below.push_back(part.string());
        }
    }
    if (canonical != nullptr) {
        *canonical = resolved;
    }
    return below;
}

std::optional<std::vector<UserDataEntry>> UserDataFolder::list(
    const std::vector<std::string>& components) const {
    fs::path folderPath;
    const auto below = resolve(components, &folderPath);
    if (!below) {
        return std::nullopt;
    }
    std::vector<UserDataEntry> out;
    const fs::path rootPath = canonicalRoot();
    UniqueFd root(::open(rootPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    UniqueFd dir = openFolder(std::move(root), *below, below->size());
    if (!dir) {
        return out;  // missing (or swapped for a link): nothing to show
    }
    DIR* stream = openStream(dir.get());
    if (stream == nullptr) {
        return out;
    }
    while (dirent* e = ::readdir(stream)) {
        const std::string name = e->d_name;
        if (!listable(name)) {
            continue;
        }
        struct stat st {};
        if (::fstatat(dir.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            continue;
        }
        if (S_ISLNK(st.st_mode)) {
            std::error_code ec;
            const fs::path target = fs::weakly_canonical(folderPath / name, ec);
            if (ec || !isInside(target, rootPath) ||
                ::fstatat(dir.get(), name.c_str(), &st, 0) != 0) {
                continue;
            }
        }
        out.push_back(UserDataEntry{name, S_ISDIR(st.st_mode),
                                    static_cast<std::uint64_t>(st.st_size),
                                    localMilliseconds(st.st_mtime)});
    }
    ::closedir(stream);
    return out;
}

std::shared_ptr<UploadSource> UserDataFolder::openFile(
    const std::vector<std::string>& components) const {
    const auto below = resolve(components, nullptr);
    if (!below || below->empty()) {
        return nullptr;
    }
    UniqueFd root(::open(canonicalRoot().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    UniqueFd dir = openFolder(std::move(root), *below, below->size() - 1);
    if (!dir) {
        return nullptr;
    }
    UniqueFd file = openNoFollow(dir.get(), below->back(), O_RDONLY);
    struct stat st {};
    if (!file || ::fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return nullptr;
    }
    return std::make_shared<FolderFileSource>(
        std::move(file), static_cast<std::uint64_t>(st.st_size), components.back());
}

bool UserDataFolder::remove(const std::vector<std::string>& components) const {
    if (components.empty()) {
        return false;  // never the user-data folder itself
    }
    // The parent is resolved; the entry itself is not, so a link is removed, not followed.
    const std::vector<std::string> parentParts(components.begin(), components.end() - 1);
    fs::path parentPath;
    const auto parent = resolve(parentParts, &parentPath);
    if (!parent) {
        return false;
    }
    const std::string& name = components.back();
    UniqueFd root(::open(canonicalRoot().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    UniqueFd dir = openFolder(std::move(root), *parent, parent->size());
    struct stat st {};
    if (!dir || ::fstatat(dir.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        return false;
    }
    if (S_ISLNK(st.st_mode)) {
        // A link that leads outside is refused too: the computer never learns about it.
        if (!resolve(components, nullptr)) {
            return false;
        }
        return ::unlinkat(dir.get(), name.c_str(), 0) == 0;
    }
    if (S_ISDIR(st.st_mode)) {
        return removeTree(dir.get(), name, 0);
    }
    return ::unlinkat(dir.get(), name.c_str(), 0) == 0;
}

}  // namespace pd
