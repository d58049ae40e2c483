#pragma once

// Folders and files only their owner can open. What Tavelin keeps (scan records, free-space
// history, alert state, reports for agents, undo records) names the user's files, and after a
// scan of "/" as root every user's, so other users of the computer must not read it.

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <variant>

namespace tavelin::platform {

// Makes the folder and the missing ones above it, as `mkdir -p` would, each open to its owner
// only (0700, as the XDG base directory rules ask of folders an application creates); folders
// that exist are left as they are. Returns 0 or the system's error number.
[[nodiscard]] int makeMissingFolders(const std::string& path);

// Makes `folder` and any missing parents (see `makeMissingFolders`), and leaves the folder itself
// open to its owner only (0700), also when it was there already. Fails when `folder` is a
// symbolic link or belongs to another user, so a folder someone else prepared is never used.
[[nodiscard]] std::error_code makePrivateFolder(const std::filesystem::path& folder);

// Takes every permission of group and others from `folder` and from everything beneath it that
// belongs to the user: what earlier versions left open. Symbolic links are never followed and
// entries that cannot be changed are passed over; a missing folder is nothing to do.
void makeTreePrivate(const std::filesystem::path& folder);

// Writes `contents` into a new file in `folder` that only its owner can read (0600), named
// `stem` + `extension`, or, when that name is taken, `stem` + "-2" + `extension`, "-3", and so
// on: an existing file is never opened or overwritten. The new file's path, or the error;
// a file whose writing failed is removed.
[[nodiscard]] std::variant<std::filesystem::path, std::error_code>
writeNewPrivateFile(const std::filesystem::path& folder, std::string_view stem,
                    std::string_view extension, std::string_view contents);

} // namespace tavelin::platform
