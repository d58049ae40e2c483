#pragma once

// Typed values out of parsed JSON that came from a file: nothing when a value has another type
// or does not fit, so a damaged file never turns into a wrong figure.

#include "util/Dates.h"

#include <cstdint>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <vector>

namespace tavelin {

// An integer that fits a signed 64-bit count.
std::optional<int64_t> int64From(const nlohmann::json& value);

// Seconds since 1970 (fractions allowed) as a date between 1700 and 2239, the span the clock
// holds with room to spare.
std::optional<Date> dateFrom(const nlohmann::json& value);

// The strings of `object[key]`: nothing when it is missing, not a list, or holds anything else.
std::optional<std::vector<std::string>> stringsFrom(const nlohmann::json& object, const char* key);

} // namespace tavelin
