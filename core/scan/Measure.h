#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace tavelin {

// Which of a node's two sizes a view shows: space on disk, or space that deleting would free.
enum class Measure { allocated, unique };

inline constexpr std::array<Measure, 2> kAllMeasures{Measure::allocated, Measure::unique};

// The stored names "allocated" and "unique".
std::string_view rawValue(Measure measure);
std::optional<Measure> measureFromRawValue(std::string_view raw);

} // namespace tavelin
