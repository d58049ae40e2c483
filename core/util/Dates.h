#pragma once

// Dates are points on the system clock. The distant past stands for "no date known".

#include <chrono>
#include <cstdint>
#include <optional>

namespace tavelin {

using Date = std::chrono::system_clock::time_point;

// 1700-01-01 00:00:00 UTC: far before any file's time, and within the clock's nanosecond range.
inline constexpr Date kDistantPast{std::chrono::seconds(-8'520'336'000)};

double secondsSince1970(Date date);
// A file time; times beyond the clock's range become its earliest or latest second.
Date dateFromTimespec(int64_t seconds, uint32_t nanoseconds);
Date dateFromSecondsSince1970(double seconds);
// Whole milliseconds since 1970, rounded toward the past.
int64_t wholeMillisecondsSince1970(Date date);
// A wall-clock time in the local time zone; nothing when a field is out of range (month 13,
// 30 February, hour 24). A time skipped by a change to summer time reads as the hour after.
std::optional<Date> localDate(int year, int month, int day, int hour, int minute, int second);

} // namespace tavelin
