#pragma once

// Facts about the user running the process: the password database and the user's folders.

#include <optional>
#include <string>

namespace tavelin::platform {

// The home folder recorded for the real user id; nothing when the user has no entry.
std::optional<std::string> passwordHome();

// The user's home folder, the one every part of Tavelin uses: $HOME when it is set to an
// absolute path (as GLib and Qt read it, so a session that moved its home sees the same folder
// as the desktop), else the password database's, else "/".
std::string homeFolder();

// $XDG_DATA_HOME when it is set to an absolute path. Otherwise the user's data folder is
// ".local/share" in the home folder (a relative value is invalid and ignored).
std::optional<std::string> dataHomeOverride();

// The user's data folder: $XDG_DATA_HOME when it is absolute, else ".local/share" in the home
// folder.
std::string dataHome();

} // namespace tavelin::platform
