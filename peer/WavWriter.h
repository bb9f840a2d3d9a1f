#pragma once
// Writes raw 8 kHz mono 16-bit little-endian samples into a WAV file as they arrive; the
// header's sizes are written when the file is closed (and refreshed on flush()).

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>

typedef struct sf_private_tag SNDFILE;

namespace pd::peer {

class WavWriter {
  public:
    // nullptr when the file cannot be created.
    static std::unique_ptr<WavWriter> create(const std::filesystem::path& file);
    ~WavWriter();
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    // Appends bytes; an odd byte waits for its partner. False when the disk refused them.
    bool write(std::span<const std::uint8_t> bytes);
    void flush();
    std::uint64_t bytes() const { return bytes_; }  // sample bytes taken so far

  private:
    explicit WavWriter(SNDFILE* sf) : sf_(sf) {}
    SNDFILE* sf_;
    std::uint64_t bytes_ = 0;
    bool hasOdd_ = false;
    std::uint8_t odd_ = 0;
};

}  // namespace pd::peer
