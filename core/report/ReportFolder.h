#pragma once

// The folder of saved agent reports ("Agent Reports" in Tavelin's data folder): each hand-off
// saves the full report there, with its prompt file and terminal script beside it, and only the
// newest files are kept.

#include "util/Dates.h"

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <variant>

namespace tavelin::ReportFolder {

inline constexpr size_t kKeptFiles = 40;

// "Tavelin report " + the time in UTC as 2025-03-09T142305Z + ".md".
std::string fileName(Date now);

// Writes the report atomically as `fileName(now)` in `folder` (made when missing), then prunes
// the folder. The saved file's path, or a sentence saying why it could not be saved.
std::variant<std::filesystem::path, std::string> save(const std::filesystem::path& folder,
                                                      std::string_view markdown, Date now);

// Deletes every file but the `kKeptFiles` most recently modified ones; failures are ignored.
void prune(const std::filesystem::path& folder);

// A file beside `report` with its extension replaced: "x.md" with "prompt.txt" gives
// "x.prompt.txt".
std::filesystem::path beside(const std::filesystem::path& report, std::string_view extension);

} // namespace tavelin::ReportFolder
