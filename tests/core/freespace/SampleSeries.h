#pragma once

// Free-space readings for the forecast and alert tests, on a fixed clock.

#include "freespace/FreeSpaceSample.h"

#include <chrono>
#include <vector>

namespace tavelin::test {

inline const Date kNow = dateFromSecondsSince1970(1'700'000'000);

inline Date hoursFromNow(double hours) {
    return kNow +
           std::chrono::duration_cast<Date::duration>(std::chrono::duration<double>(hours * 3600));
}

// One reading every `stepMinutes` from `fromHours` to `toHours` (relative to now), free space
// changing linearly by `bytesPerHour` from `freeAtStart`.
inline std::vector<FreeSpaceSample> linearSeries(double fromHours, double toHours, int stepMinutes,
                                                 int64_t freeAtStart, double bytesPerHour,
                                                 int64_t total) {
    std::vector<FreeSpaceSample> samples;
    auto from = std::chrono::round<std::chrono::minutes>(
        std::chrono::duration<double, std::ratio<3600>>(fromHours));
    auto to = std::chrono::round<std::chrono::minutes>(
        std::chrono::duration<double, std::ratio<3600>>(toHours));
    for (auto minute = from; minute <= to; minute += std::chrono::minutes(stepMinutes)) {
        double hours = std::chrono::duration<double, std::ratio<3600>>(minute - from).count();
        auto free = freeAtStart + static_cast<int64_t>(bytesPerHour * hours);
        samples.push_back({kNow + minute, free, total});
    }
    return samples;
}

} // namespace tavelin::test
