#include "DiskTree.h"

#include "platform/Log.h"
#include "platform/Utf8.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>

namespace pd::peer {

namespace fs = std::filesystem;

static constexpr std::int64_t kFileTimeEpochOffset = 11644473600;  // 1601-01-01 to 1970-01-01
static constexpr std::uint64_t kFileTimeUnitsPerSecond = 10000000;

std::uint64_t DiskTree::fileTime(std::int64_t unixSeconds) {
    if (unixSeconds < -kFileTimeEpochOffset) {
        return 0;
    }
    return static_cast<std::uint64_t>(unixSeconds + kFileTimeEpochOffset) * kFileTimeUnitsPerSecond;
}

std::optional<DiskTree> DiskTree::open(const fs::path& root) {
    std::error_code ec;
    fs::path canonical = fs::canonical(root, ec);
    if (ec || !fs::is_directory(canonical, ec)) {
        return std::nullopt;
    }
    return DiskTree(std::move(canonical));
}

// A real folder at the top level (never a link: a drive must not lead out of the root).
static bool isTopLevelFolder(const fs::directory_entry& e) {
    std::error_code ec;
    return e.symlink_status(ec).type() == fs::file_type::directory;
}

static std::optional<char> singleLetter(const std::string& name) {
    if (name.size() != 1) {
        return std::nullopt;
    }
    char c = name[0];
    if (c >= 'a' && c <= 'z') {
        return static_cast<char>(c - 'a' + 'A');
    }
    if (c >= 'A' && c <= 'Z') {
        return c;
    }
    return std::nullopt;
}

std::vector<DiskTree::Drive> DiskTree::drives() const {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(root_, ec), end; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (name == kDesktopName || name.empty() || name[0] == '.' || !isValidUtf8(name) ||
            !isTopLevelFolder(*it)) {
            continue;
        }
        names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end());

    std::array<const std::string*, 26> byLetter{};
    std::vector<const std::string*> others;
    for (const std::string& name : names) {
        std::optional<char> letter = singleLetter(name);
        if (letter && byLetter[*letter - 'A'] == nullptr) {
            byLetter[*letter - 'A'] = &name;
        } else {
            others.push_back(&name);
        }
    }
    std::size_t next = 'C' - 'A';
    for (const std::string* name : others) {
        while (next < byLetter.size() && byLetter[next] != nullptr) {
            ++next;
        }
        if (next == byLetter.size()) {
            PD_LOG_WARN("no drive letter left for top-level folder '{}'", *name);
            continue;
        }
        byLetter[next] = name;
    }

    std::vector<Drive> out;
    for (std::size_t i = 0; i < byLetter.size(); ++i) {
        if (byLetter[i] != nullptr) {
            out.push_back({static_cast<char>('A' + i), *byLetter[i], root_ / *byLetter[i]});
        }
    }
    return out;
}

bool DiskTree::inside(const fs::path& canonical) const {
    auto [r, c] = std::mismatch(root_.begin(), root_.end(), canonical.begin(), canonical.end());
    return r == root_.end();
}

DiskTree::Resolved DiskTree::resolve(std::string_view text) const {
    std::optional<VirtualPath> path = VirtualPath::parse(text);
    if (!path) {
        PD_LOG_WARN("refused path '{}'", isValidUtf8(text) ? text : "<not UTF-8>");
        return {kNotFound, {}, {}};
    }
    return resolve(*path);
}

DiskTree::Resolved DiskTree::resolve(const VirtualPath& path) const {
    Resolved out{kNotFound, {}, path};
    fs::path host;
    switch (path.base()) {
        case VirtualPath::Base::Root:
            out.result = kOk;
            out.host = root_;
            return out;
        case VirtualPath::Base::Desktop: {
            std::error_code ec;
            host = root_ / kDesktopName;
            if (fs::symlink_status(host, ec).type() != fs::file_type::directory) {
                return out;
            }
            break;
        }
        case VirtualPath::Base::Drive: {
            std::vector<Drive> all = drives();
            auto it = std::find_if(all.begin(), all.end(),
                                   [&](const Drive& d) { return d.letter == path.driveLetter(); });
            if (it == all.end()) {
                return out;
            }
            host = it->hostPath;
            break;
        }
    }
    for (const std::string& c : path.components()) {
        host /= c;
    }
    std::error_code ec;
    fs::path canonical = fs::canonical(host, ec);
    if (ec) {
        return out;
    }
    if (!inside(canonical)) {
        PD_LOG_WARN("refused '{}': it leads outside the root", path.slashText());
        return out;
    }
    out.result = kOk;
    out.host = std::move(canonical);
    return out;
}

std::optional<DiskTree::Entry> DiskTree::describe(const fs::path& host, std::string name) const {
    struct stat st {};
    if (::lstat(host.c_str(), &st) != 0) {
        return std::nullopt;
    }
    if (S_ISLNK(st.st_mode)) {
        std::error_code ec;
        fs::path target = fs::canonical(host, ec);
        if (ec || !inside(target) || ::stat(target.c_str(), &st) != 0) {
            return std::nullopt;  // dangling, or a way out of the root: not shown at all
        }
    }
    Entry e;
    e.name = std::move(name);
    e.modifyTime = fileTime(st.st_mtim.tv_sec);
    if (S_ISDIR(st.st_mode)) {
        e.kind = kKindFolder;
    } else if (S_ISREG(st.st_mode)) {
        e.kind = kKindFile;
        e.size = static_cast<std::uint64_t>(st.st_size);
    } else {
        return std::nullopt;  // devices, sockets and pipes are not files the phone can fetch
    }
    return e;
}

DiskTree::Listing DiskTree::listRoot() const {
    Listing out;
    bool first = true;
    for (const Drive& d : drives()) {
        std::optional<Entry> e = describe(d.hostPath, std::string{d.letter, ':', '\\'});
        if (!e) {
            continue;
        }
        e->kind = first ? kKindSystemDrive : kKindOtherDrive;
        e->desc = d.folderName;
        first = false;
        out.entries.push_back(std::move(*e));
    }
    std::error_code ec;
    fs::path desktop = root_ / kDesktopName;
    if (fs::symlink_status(desktop, ec).type() == fs::file_type::directory) {
        if (std::optional<Entry> e = describe(desktop, kDesktopName)) {
            e->kind = kKindFolder;
            e->desc = kDesktopDesc;
            out.entries.push_back(std::move(*e));
        }
    }
    return out;
}

DiskTree::Listing DiskTree::list(std::string_view text) const {
    Resolved where = resolve(text);
    if (where.result != kOk) {
        return {where.result, {}, false};
    }
    if (where.path.base() == VirtualPath::Base::Root) {
        return listRoot();
    }
    std::error_code ec;
    if (!fs::is_directory(where.host, ec)) {
        return {kNotFolder, {}, false};
    }
    Listing out;
    for (fs::directory_iterator it(where.host, ec), end; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (!isValidUtf8(name)) {
            continue;  // the phone could neither show nor name it
        }
        if (out.entries.size() == kMaxListingEntries) {
            out.truncated = true;
            PD_LOG_WARN("listing of '{}' cut at {} entries", where.path.slashText(),
                        kMaxListingEntries);
            break;
        }
        if (std::optional<Entry> e = describe(it->path(), std::move(name))) {
            out.entries.push_back(std::move(*e));
        }
    }
    std::sort(out.entries.begin(), out.entries.end(), [](const Entry& a, const Entry& b) {
        if (a.kind != b.kind) {
            return a.kind > b.kind;  // folders before files
        }
        return a.name < b.name;
    });
    return out;
}

DiskTree::Stats DiskTree::stats(std::string_view text) const {
    Resolved where = resolve(text);
    if (where.result != kOk) {
        return {where.result, 0, 0, 0, false};
    }
    std::error_code ec;
    if (where.path.base() == VirtualPath::Base::Root || !fs::is_directory(where.host, ec)) {
        return {kNotFolder, 0, 0, 0, false};
    }
    Stats out;
    std::uint64_t visited = 0;
    fs::recursive_directory_iterator it(where.host, fs::directory_options::skip_permission_denied,
                                        ec);
    for (fs::recursive_directory_iterator end; !ec && it != end; it.increment(ec)) {
        if (++visited > kMaxStatsEntries) {
            out.truncated = true;
            PD_LOG_WARN("statistics of '{}' cut after {} entries", where.path.slashText(),
                        kMaxStatsEntries);
            break;
        }
        std::error_code sec;
        fs::file_status st = it->symlink_status(sec);
        if (st.type() == fs::file_type::directory) {
            ++out.folders;
        } else if (st.type() == fs::file_type::regular) {
            ++out.files;
            std::uintmax_t size = it->file_size(sec);
            out.bytes += sec ? 0 : size;
        }
    }
    return out;
}

std::optional<std::string> DiskTree::backupFolder() const {
    std::vector<Drive> all = drives();
    const Drive* chosen = nullptr;
    for (const Drive& d : all) {
        if (d.letter == 'D') {
            chosen = &d;
        }
    }
    if (chosen == nullptr && !all.empty()) {
        chosen = all.size() > 1 ? &all[1] : &all[0];
    }
    char letter = chosen != nullptr ? chosen->letter : 'D';
    fs::path driveHost = chosen != nullptr ? chosen->hostPath : root_ / "D";

    std::error_code ec;
    fs::create_directories(driveHost / kBackupFolderName, ec);
    std::string text = std::string{letter, ':', '/'} + kBackupFolderName;
    Resolved where = resolve(text);
    if (where.result != kOk || !fs::is_directory(where.host, ec)) {
        PD_LOG_WARN("backup folder {} is not available", text);
        return std::nullopt;
    }
    return text;
}

}  // namespace pd::peer
