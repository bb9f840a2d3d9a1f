#pragma once
// The four user file classes (1 files, 16 pictures, 256 video, 4096 music) and their member
// folders, kept in a JSON file so they survive restarts. Members are Windows-style paths such
// as "C:\Music". Every change is written to disk (temporary file, fsync, rename) before it is
// reported as done. Safe to use from several links at once.

#include <cstdint>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace pd::peer {

inline constexpr std::size_t kMaxClassMembers = 1000;
inline constexpr std::uintmax_t kMaxClassFileBytes = 8u * 1024 * 1024;

class ClassStore {
  public:
    enum class Change { Done, AlreadyPresent, NotPresent, InvalidClass, Full, WriteFailed };

    // Loads the file if it exists. A file that cannot be read as classes is moved aside to
    // <file>.bad (with a warning) rather than overwritten by the next change.
    explicit ClassStore(std::filesystem::path file);

    static bool isClassId(std::int32_t id);

    // Members in the order they were added; empty for an unknown class.
    std::vector<std::string> members(std::int32_t classId) const;
    Change add(std::int32_t classId, const std::string& windowsPath);
    Change remove(std::int32_t classId, const std::string& windowsPath);

    const std::filesystem::path& file() const { return file_; }

  private:
    void load();
    bool save() const;  // called with mutex_ held

    std::filesystem::path file_;
    mutable std::mutex mutex_;
    std::map<std::int32_t, std::vector<std::string>> classes_;
};

}  // namespace pd::peer
