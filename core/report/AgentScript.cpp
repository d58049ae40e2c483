#include "report/AgentScript.h"

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

} // namespace tavelin::AgentScript
