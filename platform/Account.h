#pragma once

// Facts about the user running the process: the password database and the user's folders.

#include <optional>
#include <string>

namespace tavelin::platform {

// The home folder recorded for the real user id; nothing when the user has no entry.
std::optional<std::string> passwordHome();

// $XDG_DATA_HOME when it is set to an absolute path. Otherwise the user's data folder is
// ".local/share" in the home folder (a relative value is invalid and ignored).
std::optional<std::string> dataHomeOverride();

} // namespace tavelin::platform
