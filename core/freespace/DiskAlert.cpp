#include "freespace/DiskAlert.h"

#include "util/Format.h"
#include "util/LinuxWordings.h"

#include <chrono>
#include <cmath>

namespace tavelin {
namespace {

constexpr int64_t kLeastSafeBytes = 1'000'000'000;

std::string wholeNumber(double value) {
    return std::to_string(std::llround(value));
}

} // namespace

std::string DiskAlert::within(double hours) {
    if (hours < 1.5)
        return "in about an hour";
    if (hours < 23.5)
        return "in about " + wholeNumber(hours) + " hours";
    if (hours < 36)
        return "in about a day";
    return "in about " + wholeNumber(hours / 24) + " days";
}

std::string DiskAlert::title(std::string_view volume, const TimeOfDay& timeOfDay) const {
    switch (kind) {
    case AlertKind::critical:
        return "Only " + formatBytes(free) + " left on " + std::string(volume);
    case AlertKind::runningOut:
        return std::string(linuxWording("Your Mac will run out of space ")) +
               within(hoursUntilFull.value_or(0));
    case AlertKind::suddenDrop:
        break;
    }
    Date since = drop ? drop->since : std::chrono::system_clock::now();
    return formatBytes(drop ? drop->bytes : 0) + " used since " + timeOfDay(since);
}

std::string DiskAlert::body(std::string_view volume,
                            const std::optional<std::string>& extra) const {
    std::string text;
    switch (kind) {
    case AlertKind::critical:
        text = "Apps can slow down or fail to save when the disk is this full. Open Tavelin to see "
               "what you can clear.";
        break;
    case AlertKind::runningOut:
        text = std::string(volume) + " is filling up by about " +
               formatBytes(std::llround(std::fabs(bytesPerDay.value_or(0)))) +
               " a day. Open Tavelin to see what’s using it.";
        break;
    case AlertKind::suddenDrop:
        text = "Something on " + std::string(volume) +
               " took a lot of space quickly. Open Tavelin to find out what.";
        break;
    }
    if (extra && !extra->empty())
        text += " " + *extra;
    return text;
}

std::optional<std::string> DiskAlert::advisorSentence(std::optional<int64_t> safeBytes) {
    if (!safeBytes || *safeBytes < kLeastSafeBytes)
        return std::nullopt;
    return "Tavelin found " + formatBytes(*safeBytes) + " you can free without losing anything.";
}

} // namespace tavelin
