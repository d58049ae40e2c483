#pragma once

// When to warn about the startup disk's free space. Warnings are rare by construction: at most
// one of any kind every 6 hours and one of each kind a day, and a kind that fired stays silent
// (disarmed) until its condition has clearly gone away, judged with looser limits than the ones
// that fire it. A date in the state that lies ahead of now (the clock moved back) never
// throttles, so a clock change cannot silence warnings for good.

#include "freespace/AlertState.h"
#include "freespace/DiskAlert.h"
#include "freespace/FreeSpaceSample.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>

namespace tavelin::Alerts {

inline constexpr int64_t criticalBytes = 10'000'000'000;
inline constexpr double criticalFraction = 0.05;
inline constexpr double runningOutHours = 48;
inline constexpr std::chrono::seconds perKind{86'400};
inline constexpr std::chrono::seconds anyKind{21'600};

// The warning to send now, if any, for the reading `current` (dated now) after `history`
// (oldest first); `state` takes the re-armed kinds and, when a warning is sent, its dates and
// the newly disarmed kinds. A nonsensical reading (total below 1 byte, negative free space)
// decides nothing and leaves the state alone.
std::optional<DiskAlert> evaluate(std::span<const FreeSpaceSample> history,
                                  const FreeSpaceSample& current, AlertState& state);

// Whether a disk counts as low on space where free space is shown at a glance: below a tenth
// of the disk, at most 50 GB.
bool isLow(int64_t free, int64_t total);

} // namespace tavelin::Alerts
