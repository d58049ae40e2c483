#include "platform/LoginShell.h"

#include "platform/Process.h"

#include <algorithm>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavelin::platform {
namespace {

bool isFish(std::string_view shell) {
    size_t slash = shell.rfind('/');
    return shell.substr(slash == std::string_view::npos ? 0 : slash + 1) == "fish";
}

bool isExecutableFile(const std::string& path) {
    struct stat facts {};
    return ::stat(path.c_str(), &facts) == 0 && S_ISREG(facts.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

} // namespace

std::string loginShell() {
    std::vector<char> buffer(std::max<long>(::sysconf(_SC_GETPW_R_SIZE_MAX), 16'384));
    struct passwd entry;
    struct passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_shell && found->pw_shell[0] == '/')
        return found->pw_shell;
    const char* variable = std::getenv("SHELL");
    return variable && variable[0] == '/' ? variable : "/bin/sh";
}

std::string lookupScript(std::string_view shell, const std::vector<std::string>& names) {
    // fish has no $( ) before 3.4 and no `command -v`; its quoted $PATH joins with ":".
    bool fish = isFish(shell);
    std::string script;
    for (const std::string& name : names)
        script += fish ? "echo \"" + name + "=\"(command -s " + name + "); "
                       : "echo \"" + name + "=$(command -v " + name + ")\"; ";
    return script + "echo \"PATH=$PATH\"";
}

CommandLookup parseLookup(std::string_view output, const std::vector<std::string>& names) {
    // The last line for each key decides: the script's own lines come after whatever the
    // start-up files printed.
    std::map<std::string, std::string> last;
    while (!output.empty()) {
        size_t end = std::min(output.find('\n'), output.size());
        std::string_view line = output.substr(0, end);
        output.remove_prefix(std::min(end + 1, output.size()));
        size_t equals = line.find('=');
        if (equals != std::string_view::npos)
            last[std::string(line.substr(0, equals))] = line.substr(equals + 1);
    }
    CommandLookup lookup;
    if (auto path = last.find("PATH"); path != last.end())
        lookup.path = path->second;
    for (const std::string& name : names)
        if (auto found = last.find(name); found != last.end() && found->second.starts_with('/') &&
                                          isExecutableFile(found->second))
            lookup.commands[name] = found->second;
    return lookup;
}

CommandLookup lookUpCommands(const std::string& shell, const std::vector<std::string>& names,
                             std::chrono::milliseconds timeLimit) {
    ProcessResult result = runProcess({.program = shell,
                                       .arguments = {"-l", "-i", "-c", lookupScript(shell, names)},
                                       .timeLimit = timeLimit,
                                       .outputLimit = 1024 * 1024});
    if (result.timedOut || result.startError != 0)
        return {};
    return parseLookup(result.output, names);
}

} // namespace tavelin::platform
