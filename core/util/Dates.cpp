#include "util/Dates.h"

#include <cmath>

namespace tavelin {

double secondsSince1970(Date date) {
    // Whole seconds and the fraction apart, so that a quarter second stays exactly a quarter.
    auto whole = std::chrono::floor<std::chrono::seconds>(date.time_since_epoch());
    auto fraction = std::chrono::duration<double>(date.time_since_epoch() - whole);
    return static_cast<double>(whole.count()) + fraction.count();
}

Date dateFromSecondsSince1970(double seconds) {
    // Whole and fractional parts apart: a double cannot hold today's time in nanoseconds.
    double whole = std::floor(seconds);
    auto nanoseconds = std::llround((seconds - whole) * 1e9);
    return Date(std::chrono::duration_cast<Date::duration>(
        std::chrono::seconds(static_cast<int64_t>(whole)) + std::chrono::nanoseconds(nanoseconds)));
}

Date dateFromTimespec(int64_t seconds, uint32_t nanoseconds) {
    return Date(std::chrono::duration_cast<Date::duration>(std::chrono::seconds(seconds) +
                                                           std::chrono::nanoseconds(nanoseconds)));
}

int64_t wholeMillisecondsSince1970(Date date) {
    return std::chrono::floor<std::chrono::milliseconds>(date.time_since_epoch()).count();
}

} // namespace tavelin
