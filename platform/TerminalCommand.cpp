#include "platform/TerminalCommand.h"

#include <cstdlib>
#include <unistd.h>

namespace tavelin::platform {
namespace {

struct Terminal {
    std::string_view name;
    std::string_view option; // what comes before the program; "" when it follows directly
};

// In the order they are tried when neither the system nor $TERMINAL names one.
constexpr Terminal kTerminals[] = {
    {"gnome-terminal", "--"}, {"konsole", "-e"}, {"xfce4-terminal", "-x"}, {"kitty", ""},
    {"alacritty", "-e"},      {"foot", ""},      {"xterm", "-e"},
};

std::string_view optionFor(std::string_view program) {
    size_t slash = program.rfind('/');
    std::string_view name = program.substr(slash == std::string_view::npos ? 0 : slash + 1);
    for (const Terminal& terminal : kTerminals)
        if (terminal.name == name)
            return terminal.option;
    // x-terminal-emulator, and terminals we do not know, take the common "-e".
    return "-e";
}

// Always the shell and the script, two words: a terminal (or Debian's wrapper of one) handed a
// single word after "-e" reads it as a command line and splits it at spaces, while two or more
// are taken as the program and its arguments.
std::vector<std::string> commandLine(const std::string& program, const std::string& script) {
    std::string_view option = optionFor(program);
    if (option.empty())
        return {program, "/bin/sh", script};
    return {program, std::string(option), "/bin/sh", script};
}

} // namespace

std::optional<std::vector<std::string>> terminalCommand(const std::string& script,
                                                        std::string_view terminalVariable,
                                                        const ProgramFinder& find) {
    if (auto program = find("x-terminal-emulator"))
        return commandLine(*program, script);
    if (!terminalVariable.empty())
        if (auto program = find(terminalVariable))
            return commandLine(*program, script);
    for (const Terminal& terminal : kTerminals)
        if (auto program = find(terminal.name))
            return commandLine(*program, script);
    return std::nullopt;
}

std::optional<std::string> findInPath(std::string_view name) {
    if (name.empty())
        return std::nullopt;
    if (name.find('/') != std::string_view::npos) {
        std::string path(name);
        return ::access(path.c_str(), X_OK) == 0 ? std::optional(path) : std::nullopt;
    }
    const char* variable = std::getenv("PATH");
    std::string_view folders = variable ? variable : "/usr/local/bin:/usr/bin:/bin";
    while (true) {
        size_t colon = folders.find(':');
        std::string_view folder = folders.substr(0, colon);
        std::string candidate =
            std::string(folder.empty() ? "." : folder) + "/" + std::string(name);
        if (::access(candidate.c_str(), X_OK) == 0)
            return candidate;
        if (colon == std::string_view::npos)
            return std::nullopt;
        folders.remove_prefix(colon + 1);
    }
}

} // namespace tavelin::platform
