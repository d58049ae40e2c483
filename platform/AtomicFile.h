#pragma once

// Files replaced whole. A reader sees the old contents or the new ones, never a mix, and once
// the call returns without error the new contents survive a crash or a power cut.

#include <filesystem>
#include <string_view>
#include <system_error>

namespace tavelin::platform {

// Writes `contents` to a hidden temporary file beside `file` (its name does not end like the
// file's, so a leftover is never read as one), flushes it to the disk, renames it over `file`
// and flushes the folder. The folder must exist. The new file is open to its owner only (0600):
// what Tavelin keeps names the user's files. On failure the temporary file is removed and
// `file` is untouched.
[[nodiscard]] std::error_code replaceFile(const std::filesystem::path& file,
                                          std::string_view contents);

} // namespace tavelin::platform
