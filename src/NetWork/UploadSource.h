#pragma once
// Where the bytes of one upload come from: a name, a size and reads at an offset. The sender
// reads in bounded pieces, so a source never has to hold its content in memory.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace pd {

class UploadSource {
  public:
    virtual ~UploadSource() = default;
    // The name the computer stores the item under.
    virtual const std::string& name() const = 0;
    virtual std::uint64_t size() const = 0;
    // Fills up to buffer.size() bytes from `offset`; the count read (0 at the end), or nullopt
    // when the content can no longer be read. Called from the upload worker only.
    virtual std::optional<std::size_t> read(std::uint64_t offset, std::span<char> buffer) = 0;
};

// A file on the phone's disk. nullptr when it cannot be opened or is not a regular file; the
// size is taken at open, so a file that shrinks later makes the transfer fail, not end early.
std::shared_ptr<UploadSource> openFileUploadSource(const std::string& path, std::string name = {});

}  // namespace pd
