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
    PatternSource(std::string name, std::uint64_t size) : name_(std::move(name)), size_(size) {}

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
        largestRead.store(std::max(largestRead.load(), buffer.size()));
        const std::uint64_t end = std::min<std::uint64_t>(size_, offset + buffer.size());
        for (std::uint64_t i = offset; i < end; ++i)
            buffer[i - offset] = byteAt(i);
        readUpTo.store(std::max(readUpTo.load(), end));
        return end - offset;
    }

    std::atomic<std::size_t> largestRead{0};
    std::atomic<std::uint64_t> readUpTo{0};

  private:
    std::string name_;
    std::uint64_t size_;
};

}  // namespace pd::test
