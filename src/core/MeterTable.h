#pragma once
// Maps a power in decibels to a display level from 0 to 1 through a precomputed table whose
// curve (root 2 by default) spreads the quiet end out, so speech moves the meter visibly.

#include <cstddef>
#include <vector>

namespace pd {

class MeterTable {
  public:
    // A minimum of 0 dB or more is refused: an error is logged and the table stays empty, so
    // every value then maps to 0.
    explicit MeterTable(float minDecibels = -80.0f, std::size_t tableSize = 400, float root = 2.0f);

    // 0 below the minimum, 1 at 0 dB or above, else the table's entry for `decibels`.
    float ValueAt(float decibels) const;
    bool isValid() const { return !table_.empty(); }
    const std::vector<float>& entries() const { return table_; }

  private:
    float minDecibels_;
    float scaleFactor_ = 0;
    std::vector<float> table_;
};

}  // namespace pd
