#include "advisor/Goal.h"

#include "util/Text.h"

#include <array>
#include <charconv>
#include <cmath>
#include <utility>

namespace tavelin {
namespace {

constexpr std::array<std::pair<std::string_view, double>, 5> kUnits{{
    {"b", 1},
    {"kb", 1e3},
    {"mb", 1e6},
    {"gb", 1e9},
    {"tb", 1e12},
}};

} // namespace

std::optional<Goal> Goal::parsed(std::string_view text) {
    if (text == "max-safe")
        return asMuchAsSafe();
    double number = 0;
    auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), number, std::chars_format::fixed);
    if (error != std::errc() || !std::isfinite(number))
        return std::nullopt;
    std::string unit = lowercased(std::string_view(end, text.data() + text.size()));
    if (unit.starts_with(' '))
        unit.erase(0, 1);
    double scale = unit.empty() ? 1 : 0;
    for (const auto& [name, bytes] : kUnits)
        if (unit == name)
            scale = bytes;
    double goal = std::round(number * scale);
    if (scale == 0 || goal < 1 || goal > 9e18)
        return std::nullopt;
    return bytes(static_cast<int64_t>(goal));
}

Goal Goal::forDisk(int64_t total, int64_t free) {
    int64_t needed = static_cast<int64_t>(static_cast<double>(total) * 0.15) - free;
    if (needed < 1)
        return asMuchAsSafe();
    for (int64_t step : kSteps)
        if (step >= needed)
            return bytes(step);
    return bytes(kSteps.back());
}

} // namespace tavelin
