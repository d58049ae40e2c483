#include "util/Dates.h"

#include <algorithm>
#include <cmath>

namespace tavelin {

double secondsSince1970(Date date) {
    return std::chrono::duration<double>(date.time_since_epoch()).count();
}

Date dateFromSecondsSince1970(double seconds) {
    // Whole and fractional parts apart: a double cannot hold today's time in nanoseconds.
    double whole = std::floor(seconds);
    auto nanoseconds = std::llround((seconds - whole) * 1e9);
    return Date(std::chrono::duration_cast<Date::duration>(
        std::chrono::seconds(static_cast<int64_t>(whole)) + std::chrono::nanoseconds(nanoseconds)));
}

Date dateFromTimespec(int64_t seconds, uint32_t nanoseconds) {
    // File times reach far beyond the clock's span (about 292 years either side of 1970 in
    // nanoseconds): clamp, keeping a second of room for the nanoseconds.
    using std::chrono::duration_cast;
    constexpr int64_t kLatest =
        duration_cast<std::chrono::seconds>(Date::duration::max()).count() - 1;
    constexpr int64_t kEarliest =
        duration_cast<std::chrono::seconds>(Date::duration::min()).count() + 1;
    seconds = std::clamp(seconds, kEarliest, kLatest);
    return Date(duration_cast<Date::duration>(std::chrono::seconds(seconds) +
                                              std::chrono::nanoseconds(nanoseconds)));
}

int64_t wholeMillisecondsSince1970(Date date) {
    return std::chrono::floor<std::chrono::milliseconds>(date.time_since_epoch()).count();
}

} // namespace tavelin
