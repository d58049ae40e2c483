#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace tavelin {

// What a free-space warning is about: the disk is nearly full, will be full within two days, or
// lost a lot of space within two hours.
enum class AlertKind { critical, runningOut, suddenDrop };

// Highest priority first: when several hold at once, only the first is sent.
inline constexpr std::array<AlertKind, 3> kAlertKinds{AlertKind::critical, AlertKind::runningOut,
                                                      AlertKind::suddenDrop};

// The stored names "critical", "runningOut" and "suddenDrop".
std::string_view rawValue(AlertKind kind);
std::optional<AlertKind> alertKindFromRawValue(std::string_view raw);

} // namespace tavelin
