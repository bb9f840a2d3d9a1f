#include "WavWriter.h"

#include <sndfile.h>

#include <vector>

namespace pd::peer {

std::unique_ptr<WavWriter> WavWriter::create(const std::filesystem::path& file) {
    SF_INFO info{};
    info.samplerate = 8000;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* sf = sf_open(file.c_str(), SFM_WRITE, &info);
    if (!sf) {
        return nullptr;
    }
    return std::unique_ptr<WavWriter>(new WavWriter(sf));
}

WavWriter::~WavWriter() {
    sf_close(sf_);
}  // writes the final sizes into the header

bool WavWriter::write(std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) {
        return true;
    }
    const std::size_t incoming = bytes.size();
    std::vector<std::uint8_t> joined;
    if (hasOdd_) {
        joined.reserve(bytes.size() + 1);
        joined.push_back(odd_);
        joined.insert(joined.end(), bytes.begin(), bytes.end());
        bytes = joined;
        hasOdd_ = false;
    }
    const std::size_t whole = bytes.size() & ~std::size_t{1};
    if (whole < bytes.size()) {
        hasOdd_ = true;
        odd_ = bytes.back();
    }
    // Raw bytes: the stream is little-endian 16-bit, exactly what a WAV file holds.
    const sf_count_t wrote =
        whole ? sf_write_raw(sf_, bytes.data(), static_cast<sf_count_t>(whole)) : 0;
    if (static_cast<std::size_t>(wrote) != whole) {
        return false;
    }
    bytes_ += incoming;
    return true;
}

void WavWriter::flush() {
    sf_command(sf_, SFC_UPDATE_HEADER_NOW, nullptr, 0);
}

}  // namespace pd::peer
