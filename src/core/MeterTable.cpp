#include "core/MeterTable.h"

#include "platform/Log.h"

#include <algorithm>
#include <cmath>

namespace pd {

namespace {

double dbToAmplitude(double db) {
    return std::pow(10.0, 0.05 * db);
}

}  // namespace

MeterTable::MeterTable(float minDecibels, std::size_t tableSize, float root)
    : minDecibels_(minDecibels) {
    if (minDecibels >= 0.0f) {
        PD_LOG_ERROR("MeterTable inMinDecibels must be negative");
        return;
    }
    if (tableSize < 2) {
        return;
    }
    const double decibelResolution = minDecibels / static_cast<double>(tableSize - 1);
    scaleFactor_ = static_cast<float>(1.0 / decibelResolution);
    const double minAmp = dbToAmplitude(minDecibels);
    const double ampRange = 1.0 - minAmp;
    const double invAmpRange = 1.0 / ampRange;
    const double rroot = 1.0 / root;
    table_.resize(tableSize);
    for (std::size_t i = 0; i < tableSize; ++i) {
        const double decibels = static_cast<double>(i) * decibelResolution;
        const double amp = dbToAmplitude(decibels);
        const double adjAmp = (amp - minAmp) * invAmpRange;
        table_[i] = static_cast<float>(std::pow(adjAmp, rroot));
    }
}

float MeterTable::ValueAt(float decibels) const {
    if (table_.empty() || !(decibels >= minDecibels_)) {
        return 0.0f;  // below the minimum (or not a number)
    }
    if (decibels >= 0.0f) {
        return 1.0f;
    }
    const auto index = static_cast<std::size_t>(decibels * scaleFactor_);
    return table_[std::min(index, table_.size() - 1)];
}

}  // namespace pd
