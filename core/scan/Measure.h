#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace tavelin {

// Which of a node's sizes a view shows: space on disk, space that deleting would free, or the
// length of the content (holes included, each name of a file with several names counted once).
enum class Measure { allocated, unique, apparent };

inline constexpr std::array<Measure, 3> kAllMeasures{Measure::allocated, Measure::unique,
                                                     Measure::apparent};

// The stored names "allocated", "unique" and "apparent".
std::string_view rawValue(Measure measure);
std::optional<Measure> measureFromRawValue(std::string_view raw);

} // namespace tavelin
