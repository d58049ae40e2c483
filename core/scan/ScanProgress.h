#pragma once

#include <cstdint>
#include <optional>

namespace tavelin::ScanProgress {

// A running scan never shows as complete.
inline constexpr double ceiling = 0.99;

// How far a scan has got: `scanned` over the first of `lastScan` and `diskUsed` that is above
// zero, between 0 and `ceiling`; nothing when neither is.
std::optional<double> fraction(int64_t scanned, std::optional<int64_t> lastScan,
                               std::optional<int64_t> diskUsed);

} // namespace tavelin::ScanProgress
