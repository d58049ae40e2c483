#include "util/Dates.h"

#include <algorithm>
#include <cmath>
#include <ctime>

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

std::optional<Date> localDate(int year, int month, int day, int hour, int minute, int second) {
    using namespace std::chrono;
    year_month_day date{std::chrono::year(year), std::chrono::month(static_cast<unsigned>(month)),
                        std::chrono::day(static_cast<unsigned>(day))};
    if (year < 1900 || year > 9999 || month < 1 || !date.ok() || hour < 0 || hour > 23 ||
        minute < 0 || minute > 59 || second < 0 || second > 60)
        return std::nullopt;
    std::tm fields{};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_hour = hour;
    fields.tm_min = minute;
    fields.tm_sec = second;
    fields.tm_isdst = -1;
    std::time_t seconds = std::mktime(&fields);
    if (seconds == -1) // also one second before 1970 in UTC, never a snapshot's time
        return std::nullopt;
    return system_clock::from_time_t(seconds);
}

} // namespace tavelin
