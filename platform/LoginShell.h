#pragma once

// Finding programs the way the user's own terminal finds them: the login shell from the password
// database, run as a login interactive shell so that the PATH the user's start-up files set up
// applies (agents installed by npm, pipx or a version manager live in such folders).

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavelin::platform {

struct CommandLookup {
    std::map<std::string, std::string> commands{}; // name → absolute path of an executable file
    std::optional<std::string> path{};             // the shell’s PATH, when it printed one
};

// The login shell recorded for the real user id, else $SHELL, else "/bin/sh".
std::string loginShell();

// The script that prints "NAME=PATH" for each name and "PATH=..." last, in the syntax of the
// shell at `shell`: `command -s` for fish, `command -v` for every other shell. The names are
// placed in the script as they are: callers pass fixed names, never text from outside.
std::string lookupScript(std::string_view shell, const std::vector<std::string>& names);

// Reads the lookup's output, where the last line "KEY=VALUE" for each key decides: "PATH" gives
// the PATH, and one of `names` counts when its value is absolute and names an executable regular
// file. Other lines (what start-up files print) are ignored.
CommandLookup parseLookup(std::string_view output, const std::vector<std::string>& names);

// Runs `shell` with "-l", "-i", "-c" and the lookup script, and reads its answer. A shell that
// is still running after `timeLimit` is killed and yields nothing. Blocks the calling thread.
CommandLookup lookUpCommands(const std::string& shell, const std::vector<std::string>& names,
                             std::chrono::milliseconds timeLimit = std::chrono::seconds(5));

} // namespace tavelin::platform
