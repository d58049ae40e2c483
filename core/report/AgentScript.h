#pragma once

// The POSIX sh script that starts a command-line agent in the user's terminal with the prompt.
// Every value from outside (paths, the prompt file, the agent's arguments, the login shell's
// PATH) reaches the shell single-quoted, so no name can run as shell code.

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

} // namespace tavelin::AgentScript
