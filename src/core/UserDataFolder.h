#pragma once
// The computer's reach into the phone: the user-data folder and nothing above it. Paths come
// as components already free of "." and ".."; each is resolved (links included) and refused
// unless it stays inside the folder. Files and folders are then opened one component at a
// time without following links, so a link swapped in after the check is refused, not followed.

#include "NetWork/UploadSource.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace pd {

struct UserDataEntry {
    std::string name;
    bool folder = false;
    std::uint64_t size = 0;  // of the entry itself; a folder's is not its contents'
    double modifyTime = 0;   // local wall-clock milliseconds since 1970
};

class UserDataFolder {
  public:
    explicit UserDataFolder(std::filesystem::path root) : root_(std::move(root)) {}

    // The entries of the folder at `components` (empty: the folder itself), hidden ones and
    // those whose names would break a listing line (tab, CR, LF) left out, as are links that
    // lead outside. Empty when the folder does not exist; nullopt when the path is refused.
    std::optional<std::vector<UserDataEntry>> list(
        const std::vector<std::string>& components) const;
    // A regular file for streaming; nullptr when refused, missing or not a regular file.
    std::shared_ptr<UploadSource> openFile(const std::vector<std::string>& components) const;
    // Removes the entry (a folder with its contents; a link itself, never what it leads to).
    // The folder itself cannot be removed. True when it is gone.
    bool remove(const std::vector<std::string>& components) const;

  private:
    // The path's components below the canonical root after resolving every link; nullopt
    // when it leads outside or cannot be resolved.
    std::optional<std::vector<std::string>> resolve(const std::vector<std::string>& components,
                                                    std::filesystem::path* canonical) const;
    std::filesystem::path canonicalRoot() const;

    std::filesystem::path root_;
};

}  // namespace pd
