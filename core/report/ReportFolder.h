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

// "Tavelin report " + the time in UTC as 2025-03-09T142305Z: a report's name without ".md".
std::string stem(Date now);

// Writes the report as a new file named `stem(now)` + ".md" in `folder` ("-2", "-3"… added to
// the name when a report of the same second is there), never over another file. The folder is
// made when missing; folder and file are the user's only (0700, 0600). Then prunes the folder.
// The saved file's path, or a sentence saying why it could not be saved.
std::variant<std::filesystem::path, std::string> save(const std::filesystem::path& folder,
                                                      std::string_view markdown, Date now);

// Deletes every file but the `kKeptFiles` most recently modified ones; failures are ignored.
void prune(const std::filesystem::path& folder);

} // namespace tavelin::ReportFolder
