#include "advisor/Goal.h"

#include "util/Format.h"
#include "util/Text.h"

#include <array>
#include <charconv>
#include <cmath>
#include <utility>

namespace tavelin {
namespace {

constexpr std::array<std::pair<std::string_view, double>, 9> kUnits{{
    {"b", 1},
    {"kb", 1e3},
    {"mb", 1e6},
    {"gb", 1e9},
    {"tb", 1e12},
    {"kib", 0x1p10},
    {"mib", 0x1p20},
    {"gib", 0x1p30},
    {"tib", 0x1p40},
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

std::array<int64_t, 4> Goal::steps() {
    int64_t gigabyte = byteUnit(3).size;
    return {10 * gigabyte, 25 * gigabyte, 50 * gigabyte, 100 * gigabyte};
}

Goal Goal::forDisk(int64_t total, int64_t free) {
    int64_t needed = static_cast<int64_t>(static_cast<double>(total) * 0.15) - free;
    if (needed < 1)
        return asMuchAsSafe();
    std::array<int64_t, 4> offered = steps();
    for (int64_t step : offered)
        if (step >= needed)
            return bytes(step);
    return bytes(offered.back());
}

} // namespace tavelin
