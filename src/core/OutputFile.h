#pragma once
// A file being written by a download: an owned descriptor, writes that report every failure,
// and a close whose result is checked (a full disk may only show there).

#include <cstdint>
#include <string>
#include <string_view>

namespace pd {

class OutputFile {
  public:
    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Opens `path` for writing at `offset`: the file is created if missing and cut to `offset`
    // bytes (0 starts it over). False with error() set when that fails.
    bool openAt(const std::string& path, std::uint64_t offset);
    // Writes all bytes at the current end.
    bool write(std::string_view bytes);
    // Closes; false if the system reports that the data could not be stored.
    bool close();
    bool isOpen() const { return fd_ >= 0; }
    // Bytes in the file: the offset opened at plus everything written since.
    std::uint64_t size() const { return size_; }
    const std::string& error() const { return error_; }

    // Size of a regular file at `path`; 0 if there is none. False if the path holds something
    // that is not a regular file or cannot be examined.
    static bool existingSize(const std::string& path, std::uint64_t& size);

  private:
    void fail(std::string_view what);

    int fd_ = -1;
    std::uint64_t size_ = 0;
    std::string path_;
    std::string error_;
};

}  // namespace pd
