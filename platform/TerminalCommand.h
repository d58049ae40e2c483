#pragma once

// How to open a script in the user's terminal emulator: the system's default terminal
// (x-terminal-emulator), else $TERMINAL, else the first installed of the common ones, each
// given the script the way it takes a program to run.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavelin::platform {

// The program's path when `name` is installed (found in the program search path).
using ProgramFinder = std::function<std::optional<std::string>(std::string_view name)>;

// The command line that runs the POSIX sh `script` in a terminal, program first, as "/bin/sh"
// and the script's path; nothing when no terminal is installed. Some terminals join the words
// after their "-e" with spaces and split them again, so the path must hold no spaces or quotes.
// `terminalVariable` is $TERMINAL ("" when unset): a name or a path.
std::optional<std::vector<std::string>> terminalCommand(const std::string& script,
                                                        std::string_view terminalVariable,
                                                        const ProgramFinder& find);

// Finds a program by name in $PATH.
std::optional<std::string> findInPath(std::string_view name);

} // namespace tavelin::platform
