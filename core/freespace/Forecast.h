#pragma once

// How fast the startup disk's free space shrinks and when it reaches the point regarded as
// full, estimated robustly from the recent history: hourly medians, then the median of every
// pairwise slope between them (Theil–Sen), so one big download or deletion does not swing it.
// Also spots a sudden drop within the last two hours. Pure functions of their inputs.

#include "freespace/FreeSpaceSample.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace tavelin {

struct Trend {
    double bytesPerDay = 0;               // negative when free space shrinks
    std::optional<double> hoursUntilFull; // until free space reaches `floor`
    int64_t floor = 0;                    // the free space regarded as full
    double hoursOfData = 0;               // the span the estimate rests on
};

struct SuddenDrop {
    int64_t bytes = 0; // free space lost
    Date since;        // when free space was last at its peak
    bool operator==(const SuddenDrop&) const = default;
};

namespace Forecast {

// Samples older than this are left out of the trend.
inline constexpr std::chrono::seconds window{259'200};
// The hourly points of a trend span at least this.
inline constexpr std::chrono::seconds minimumSpan{43'200};
// The share of pairwise slopes that must be negative before a time to full is given.
inline constexpr double consistency = 0.8;
inline constexpr int64_t dropBytes = 20'000'000'000;
// Samples considered for a sudden drop.
inline constexpr std::chrono::seconds dropWindow{7'200};

// Nothing without at least 8 distinct hours spanning 12 hours within the 3 days before `now`,
// or when the newest sample is more than 3 hours old. `samples` are oldest first.
std::optional<Trend> trend(std::span<const FreeSpaceSample> samples, Date now);

// The loss since the highest free space of the last two hours, when it reaches `threshold`.
// `samples` are oldest first.
std::optional<SuddenDrop> suddenDrop(std::span<const FreeSpaceSample> samples, Date now,
                                     int64_t threshold);

// The larger of a hundredth of the disk and 2 GB.
int64_t floor(int64_t total);

// The middle value, the mean of the two middle values for an even count, 0 for none.
double median(std::vector<double> values);

} // namespace Forecast
} // namespace tavelin
