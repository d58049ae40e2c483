#pragma once

// The POSIX sh script that starts a command-line agent in the user's terminal with the prompt.
// Every value from outside (paths, the prompt file, the agent's arguments, the login shell's
// PATH) reaches the shell single-quoted, so no name can run as shell code.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavelin::AgentScript {

// The text as one single-quoted shell word: each "'" becomes "'\''". Any bytes, newlines and
// invalid UTF-8 included, come out unchanged after the shell removes the quotes.
std::string shellQuoted(std::string_view text);

struct Launch {
    std::string name;       // the agent's display name, for the greeting
    std::string executable; // absolute
    std::vector<std::string> arguments;
    std::string promptFile;          // its content becomes the last argument
    std::optional<std::string> path; // the login shell's PATH, when known
};

// The script: it sets PATH when known, goes to the home folder, greets, and replaces itself with
// the agent, passing the prompt file's content as the last argument.
std::string text(const Launch& launch);

// The prompt as the agent's last argument, so that no agent reads it as an option: unchanged
// when the arguments before it end with "--", else with a space before a leading "-".
std::string promptArgument(std::string_view prompt, const std::vector<std::string>& arguments);

// Whether a terminal passes the path on whole, even one that joins the words of its command
// with spaces and splits them again: letters, digits and "/._-" only.
bool isPlainPath(std::string_view path);

// Where the scripts go: "tavelin-agents" in the user's runtime folder when that path is plain
// (the reports folder's name has a space), else "/tmp/tavelin-agents-" and the user id.
std::filesystem::path folder(std::string_view runtimeFolder, unsigned userId);

} // namespace tavelin::AgentScript
