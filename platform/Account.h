#pragma once

// Facts about the user running the process, from the password database.

#include <optional>
#include <string>

namespace tavelin::platform {

// The home folder recorded for the real user id; nothing when the user has no entry.
std::optional<std::string> passwordHome();

} // namespace tavelin::platform
