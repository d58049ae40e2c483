#pragma once

// Why a folder someone asked to scan cannot be scanned, said in one line: the command-line scan
// and the launch argument use the same words.

#include <optional>
#include <string>
#include <string_view>

namespace tavelin {

// A sentence naming `path` and why it cannot be scanned: it does not exist, leads to a loop of
// symbolic links, is too long, may not be opened, or is not a folder. Nothing when the folder
// can be listed (it may be reached through a symbolic link).
std::optional<std::string> folderProblem(const std::string& path);

// The system error that opening and listing `path` as a folder meets now; nothing when it can
// be listed.
std::optional<int> folderReadError(const std::string& path);

// The sentence for the system error `error` met opening `path` as a folder. The path is quoted
// and kept on one line whatever bytes it holds.
std::string folderProblemText(std::string_view path, int error);

} // namespace tavelin
