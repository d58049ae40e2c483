#pragma once

// How much applying a suggestion costs the user, from nothing lost to the user's own judgement.
// Ordered by raw value: `<` means cheaper.

#include <array>
#include <optional>
#include <string_view>

namespace tavelin {

enum class Rung { lossless = 1, ownerTool = 2, rebuildable = 3, archive = 4, review = 5 };

inline constexpr std::array<Rung, 5> kAllRungs{Rung::lossless, Rung::ownerTool, Rung::rebuildable,
                                               Rung::archive, Rung::review};

// The colour of the dot beside a rung's label in the plan summary.
enum class DotColour { green, teal, orange, blue, pink };

int rawValue(Rung rung);
// Nothing for values outside 1 to 5.
std::optional<Rung> rungFromRawValue(int raw);

// "No loss", "Tool clean-up", "Rebuilt", "Moved", "Your call".
std::string_view label(Rung rung);
DotColour dotColour(Rung rung);

} // namespace tavelin
