#pragma once
// An upload source whose bytes are computed (no file, no copy in memory) and which records how
// it is read: the largest single read and how far reading got.

#include "NetWork/UploadSource.h"

#include <algorithm>
#include <atomic>
#include <string>

namespace pd::test {

class PatternSource : public UploadSource {
  public:
    // `endsAt` < size: reads stop there, as from a file that shrank.
    PatternSource(std::string name, std::uint64_t size, std::uint64_t endsAt = UINT64_MAX)
        : name_(std::move(name)), size_(size), endsAt_(std::min(endsAt, size)) {}

    static char byteAt(std::uint64_t i) { return static_cast<char>((i * 31 + i / 251) & 0xFF); }
    // The whole content, for comparing with what arrived.
    std::string content() const {
        std::string s(size_, '\0');
        for (std::uint64_t i = 0; i < size_; ++i)
            s[i] = byteAt(i);
        return s;
    }

    const std::string& name() const override { return name_; }
    std::uint64_t size() const override { return size_; }
    std::optional<std::size_t> read(std::uint64_t offset, std::span<char> buffer) override {
        largestRead.store(std::max<std::size_t>(largestRead.load(), buffer.size()));
        const std::uint64_t end = std::min<std::uint64_t>(endsAt_, offset + buffer.size());
        std::size_t n = 0;
        for (std::uint64_t i = offset; i < end; ++i)
            buffer[n++] = byteAt(i);
        readUpTo.store(std::max<std::uint64_t>(readUpTo.load(), offset + n));
        return n;
    }

    std::atomic<std::size_t> largestRead{0};
    std::atomic<std::uint64_t> readUpTo{0};

  private:
    std::string name_;
    std::uint64_t size_;
    std::uint64_t endsAt_;
};

}  // namespace pd::test
