#pragma once

// Finding the AI agents installed here and handing a report to one of them.
//
// Command-line agents are found through the user's login shell, applications and chat web apps
// through their desktop entries. A hand-off first saves the full report in the reports folder,
// then runs a terminal agent through a script in the user's terminal, opens a chat page with the
// prompt and the condensed report in its link, or opens the report in an editor with the prompt
// on the clipboard. Everything that reaches the desktop goes through `Launcher`, so tests never
// start a terminal, a browser or an editor.

#include "model/AgentTarget.h"
#include "platform/DesktopEntry.h"
#include "platform/LoginShell.h"
#include "platform/Process.h"
#include "report/AgentReport.h"
#include "util/Dates.h"

#include <QString>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tavelin::Agents {

// The command names looked up in the login shell, in the order their targets are listed.
const std::vector<std::string>& commandNames();

// The applications whose desktop entries were found, by the name the target table uses
// ("Claude", "ChatGPT", "Cursor", "Grok", "Visual Studio Code", "Zed"): their entries.
using Apps = std::map<std::string, platform::DesktopEntry>;

// The applications among the desktop entries: by their desktop file ids, and the chats also by
// their Name= (a chat installed from the browser as a web app).
Apps findApps(const std::vector<platform::DesktopEntry>& entries);

// The targets for what was found, in the order they are listed.
std::vector<AgentTarget> targets(const platform::CommandLookup& lookup, const Apps& apps);

// What the running system has: the login shell's commands (none when sandboxed) and the
// desktop entries' apps. Blocks for up to 5 s: call it off the UI thread.
struct Detection {
    std::vector<AgentTarget> targets;
    std::optional<std::string> path; // the login shell's PATH, for terminal agents
};
Detection detect(bool sandboxed, const std::string& home);

// Where hand-offs reach the desktop.
struct Launcher {
    std::filesystem::path folder; // the reports folder
    std::function<Date()> now;
    std::function<bool(const std::string& url)> openUrl;
    // Opens a file with the user's default application for it.
    std::function<bool(const std::string& path)> openFile;
    // Starts a program detached from Tavelin, program first.
    std::function<bool(const std::vector<std::string>& command)> start;
    std::function<void(const QString& text)> setClipboard;
    // The command line that opens a script in the user's terminal; nothing without a terminal.
    std::function<std::optional<std::vector<std::string>>(const std::string& script)> terminal;
    // Starts a terminal and watches it for a moment, blocking that long: call it off the UI
    // thread.
    std::function<platform::LaunchResult(const std::vector<std::string>& command)> startTerminal;
    // Where the terminal scripts go: a folder whose path no terminal splits.
    std::filesystem::path scriptFolder;

    // The desktop's: QDesktopServices, QProcess, the clipboard, the terminal found in $PATH
    // watched for two seconds, "Agent Reports" in Tavelin's data folder, and the scripts in the
    // user's runtime folder.
    static Launcher live();
};

// Saves the full report in the reports folder: its path, or why it failed.
std::variant<std::filesystem::path, std::string> save(const AgentReport& report,
                                                      const Launcher& launcher);

struct Outcome {
    std::optional<QString> status; // nothing: the caller says what was opened
    bool failed = false;
};

// Saves the report and hands it to the target with the prompt. `path` is the login shell's
// PATH, given to terminal agents. For a terminal agent this blocks while the terminal is
// watched: call it off the UI thread then.
Outcome send(const AgentTarget& target, const AgentReport& report, const std::string& prompt,
             const std::optional<std::string>& path, const Launcher& launcher);

// Puts the prompt, a blank line and the condensed report on the clipboard.
QString copyForAnyAgent(const AgentReport& report, const std::string& prompt,
                        const Launcher& launcher);

} // namespace tavelin::Agents
