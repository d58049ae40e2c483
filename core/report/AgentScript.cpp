#include "report/AgentScript.h"

#include <algorithm>

namespace tavelin::AgentScript {

std::string shellQuoted(std::string_view text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

std::string text(const Launch& launch) {
    std::string script = "#!/bin/sh\n";
    if (launch.path)
        script += "export PATH=" + shellQuoted(*launch.path) + "\n";
    script += "cd \"$HOME\"\n"
              "clear\n"
              "echo " +
              shellQuoted("Tavelin is handing its report to " + launch.name +
                          ". It can look through your folders, and asks you before it changes "
                          "anything.") +
              "\necho\nexec " + shellQuoted(launch.executable);
    for (const std::string& argument : launch.arguments)
        script += " " + shellQuoted(argument);
    return script + " \"$(cat " + shellQuoted(launch.promptFile) + ")\"\n";
}

std::string promptArgument(std::string_view prompt, const std::vector<std::string>& arguments) {
    bool optionsEnded = !arguments.empty() && arguments.back() == "--";
    return (!optionsEnded && prompt.starts_with('-') ? " " : "") + std::string(prompt);
}

bool isPlainPath(std::string_view path) {
    return !path.empty() && std::all_of(path.begin(), path.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '/' || c == '.' || c == '_' || c == '-';
    });
}

std::filesystem::path folder(std::string_view runtimeFolder, unsigned userId) {
    if (runtimeFolder.starts_with('/') && isPlainPath(runtimeFolder))
        return std::filesystem::path(runtimeFolder) / "tavelin-agents";
    return "/tmp/tavelin-agents-" + std::to_string(userId);
}

} // namespace tavelin::AgentScript
