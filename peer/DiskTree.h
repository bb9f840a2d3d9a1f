#pragma once
// The computer's disk, served from one folder of ours. Each top-level folder is a drive: a
// folder named with one letter is that drive letter, the others take the free letters from C
// on in name order. A top-level folder named "Desktop" is the desktop. Every path the phone
// names is resolved to a real path and checked to lie inside the root before it is touched;
// symbolic links are followed only when they stay inside.
//
// Holds no state besides the root, so one instance serves all links at once.

#include "PeerResults.h"
#include "VirtualPath.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pd::peer {

// The description the phone expects under the desktop entry of the root listing.
inline constexpr const char* kDesktopDesc = "我的桌面";
// Entry kinds of the listings.
inline constexpr std::int32_t kKindFile = 0;
inline constexpr std::int32_t kKindFolder = 1;
inline constexpr std::int32_t kKindSystemDrive = 2;
inline constexpr std::int32_t kKindOtherDrive = 3;
// Bounds on what one request may make us read and send.
// As many entries as the phone accepts in one listing.
inline constexpr std::size_t kMaxListingEntries = 1000000;
inline constexpr std::uint64_t kMaxStatsEntries = 1000000;
inline constexpr const char* kBackupFolderName = "PhoneBackup";

class DiskTree {
  public:
    struct Drive {
        char letter = 0;
        std::string folderName;
        std::filesystem::path hostPath;
    };
    struct Entry {
        std::string name;
        std::int32_t kind = kKindFile;
        std::uint64_t size = 0;
        std::uint64_t modifyTime = 0;  // Windows FILETIME
        std::string desc;
    };
    struct Listing {
        std::int32_t result = kOk;
        std::vector<Entry> entries;
        bool truncated = false;
    };
    struct Resolved {
        std::int32_t result = kOk;
        std::filesystem::path host;  // canonical, inside the root; only when result is kOk
        VirtualPath path;
    };
    struct Stats {
        std::int32_t result = kOk;
        std::uint64_t files = 0;
        std::uint64_t folders = 0;
        std::uint64_t bytes = 0;
        bool truncated = false;
    };

    // nullopt when the root is not an existing folder.
    static std::optional<DiskTree> open(const std::filesystem::path& root);

    const std::filesystem::path& root() const { return root_; }
    // Drives in letter order; read afresh each time, so folders added later show up.
    std::vector<Drive> drives() const;

    // An existing file or folder the phone named. kNotFound for unknown drives, missing
    // entries and anything that resolves outside the root.
    Resolved resolve(std::string_view text) const;
    Resolved resolve(const VirtualPath& path) const;

    // The empty path lists the drives and the desktop; otherwise a folder's entries, folders
    // first, each group in name order. kNotFound or kNotFolder as resolve() decides.
    Listing list(std::string_view text) const;

    // Files, folders and bytes below a folder, without following symbolic links.
    Stats stats(std::string_view text) const;

    // "D:/PhoneBackup" or its like, created when missing; nullopt when that fails.
    std::optional<std::string> backupFolder() const;

    // Windows FILETIME of a Unix time in whole seconds.
    static std::uint64_t fileTime(std::int64_t unixSeconds);

  private:
    explicit DiskTree(std::filesystem::path canonicalRoot) : root_(std::move(canonicalRoot)) {}
    bool inside(const std::filesystem::path& canonical) const;
    std::optional<Entry> describe(const std::filesystem::path& host, std::string name) const;
    Listing listRoot() const;

    std::filesystem::path root_;
};

}  // namespace pd::peer
