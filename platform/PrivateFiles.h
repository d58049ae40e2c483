#pragma once

// Folders and files only their owner can open. What Tavelin writes about a disk names
// everything on it, so other users of the computer must not read it.

#include <filesystem>
#include <string_view>
#include <system_error>
#include <variant>

namespace tavelin::platform {

// Makes `folder` and any missing parents, and leaves the folder itself open to its owner only
// (0700), also when it was there already. Fails when `folder` is a symbolic link or belongs to
// another user, so a folder someone else prepared in a shared place is never used.
[[nodiscard]] std::error_code makePrivateFolder(const std::filesystem::path& folder);

// Writes `contents` into a new file in `folder` that only its owner can read (0600), named
// `stem` + `extension`, or, when that name is taken, `stem` + "-2" + `extension`, "-3", and so
// on: an existing file is never opened or overwritten. The new file's path, or the error;
// a file whose writing failed is removed.
[[nodiscard]] std::variant<std::filesystem::path, std::error_code>
writeNewPrivateFile(const std::filesystem::path& folder, std::string_view stem,
                    std::string_view extension, std::string_view contents);

} // namespace tavelin::platform
