#pragma once

// The user's own folders (Desktop, Documents, Downloads, Pictures, Videos) as the desktop names
// them in $XDG_CONFIG_HOME/user-dirs.dirs, so that a French "Téléchargements" is the Downloads
// folder. Each is a location: relative to the home folder, or absolute when it lies elsewhere.
// A folder is absent when the user turned it off, which the file says by pointing it at the
// home folder itself; a folder at or above the home folder is never one of the user's folders.

#include <optional>
#include <string>
#include <string_view>

namespace tavelin::platform {

struct UserDirectories {
    std::optional<std::string> desktop = "Desktop";
    std::optional<std::string> documents = "Documents";
    std::optional<std::string> downloads = "Downloads";
    std::optional<std::string> pictures = "Pictures";
    std::optional<std::string> videos = "Videos";

    bool operator==(const UserDirectories&) const = default;
};

// The folders a user-dirs.dirs text names, the English names for those it does not name.
// Lines are NAME="$HOME/path" or NAME="/path", with backslash escapes inside the quotes;
// comments, unknown names, and values that are unquoted, unterminated or relative are skipped.
UserDirectories parseUserDirectories(std::string_view text, std::string_view home);

// The folders of the user whose home folder is `home`: the file in $XDG_CONFIG_HOME (when set
// to an absolute path, else ".config" in the home folder), English names when it cannot be
// read. A folder that is a symbolic link is replaced by where it leads, when that exists.
UserDirectories readUserDirectories(std::string_view home);

} // namespace tavelin::platform
