#pragma once

// The free-space watch's small JSON files. They are replaced whole and flushed to the disk, and
// a file that cannot be understood is moved aside to NAME.broken before anything new is written
// in its place, so a damaged history is never lost without a trace.

#include <cstdint>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <system_error>

namespace tavelin::StoredJson {

// Far more than either file ever holds; a larger file is not ours and is not parsed.
inline constexpr uintmax_t kMaxBytes = 4'000'000;

struct Contents {
    bool exists = false;                // something is stored at the path
    std::optional<nlohmann::json> json; // when it could be read, fits and parses
};

Contents read(const std::filesystem::path& file);

// Renames the file to its name followed by ".broken", replacing an older such file. Failures
// are ignored: the folder is then unwritable and the next save fails as well.
void keepAside(const std::filesystem::path& file);

// Creates the folder (with its parents) if needed, both private to the user, and replaces the
// file atomically.
[[nodiscard]] std::error_code write(const std::filesystem::path& file, const nlohmann::json& json);

} // namespace tavelin::StoredJson
