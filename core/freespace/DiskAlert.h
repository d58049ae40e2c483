#pragma once

// One free-space warning to show, and the sentences of its notification.

#include "freespace/AlertKind.h"
#include "freespace/Forecast.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tavelin {

struct DiskAlert {
    AlertKind kind = AlertKind::critical;
    int64_t free = 0;
    int64_t total = 0;
    std::optional<double> hoursUntilFull;
    std::optional<double> bytesPerDay;
    std::optional<SuddenDrop> drop;

    // A time of day in the short style of the user's locale and time zone, without the date.
    using TimeOfDay = std::function<std::string(Date)>;

    // "Only 9 GB left on Computer", "Your computer will run out of space in about 5 hours",
    // "25 GB used since 14:05". Missing figures count as 0, a missing drop time as now.
    std::string title(std::string_view volume, const TimeOfDay& timeOfDay) const;
    // What the warning means and what to do, followed by a space and `extra` when that is
    // given and not empty.
    std::string body(std::string_view volume, const std::optional<std::string>& extra) const;

    // "in about an hour", "in about 5 hours", "in about a day", "in about 3 days".
    static std::string within(double hours);

    // The sentence that follows a warning when the last whole-disk scan found at least 1 GB
    // that can go without losing anything; nothing for less or when no scan said.
    static std::optional<std::string> advisorSentence(std::optional<int64_t> safeBytes);
};

} // namespace tavelin
