#include "model/Agents.h"

#include "model/DataFolder.h"
#include "platform/AppSources.h"
#include "platform/Files.h"
#include "platform/PrivateFiles.h"
#include "platform/Process.h"
#include "platform/TerminalCommand.h"
#include "report/AgentPrompt.h"
#include "report/AgentScript.h"
#include "report/ChatLink.h"
#include "report/ReportFolder.h"
#include "widgets/Texts.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QProcess>
#include <QStringList>
#include <QUrl>
#include <algorithm>
#include <cstdlib>
#include <unistd.h>

namespace tavelin::Agents {
namespace {

namespace fs = std::filesystem;

// How long a terminal is watched: one that ends with an error sooner never ran the agent.
constexpr std::chrono::seconds kTerminalWatch(2);

struct KnownApp {
    const char* name;
    std::vector<std::string> ids; // desktop file ids without ".desktop"
};

// The ids their packages, Flatpaks and installers give their desktop entries.
const std::vector<KnownApp>& knownApps() {
    static const std::vector<KnownApp> apps{
        {"Claude", {"claude-desktop", "com.anthropic.claude", "claude"}},
        {"ChatGPT", {"chatgpt", "com.openai.chatgpt"}},
        {"Cursor", {"cursor", "co.anysphere.cursor"}},
        {"Grok", {"grok", "ai.x.grok"}},
        {"Visual Studio Code", {"code", "com.visualstudio.code", "code-oss"}},
        {"Zed", {"dev.zed.Zed", "zed"}},
    };
    return apps;
}

std::string terminalDetail() {
    return std::string(linuxWording("In Terminal · asks before changing anything"));
}

AgentTarget terminalTarget(std::string id, std::string name, std::string executable,
                           std::vector<std::string> arguments, std::optional<std::string> app,
                           std::optional<std::string> icon = std::nullopt) {
    return {std::move(id),
            std::move(name),
            terminalDetail(),
            std::move(app),
            AgentTarget::Terminal{std::move(executable), std::move(arguments)},
            std::move(icon)};
}

AgentTarget chatTarget(std::string id, std::string name, std::string base, std::string app,
                       std::optional<std::string> icon = std::nullopt) {
    return {std::move(id),  std::move(name), "New chat", app, AgentTarget::Link{std::move(base)},
            std::move(icon)};
}

AgentTarget editorTarget(std::string id, std::string name, std::string app) {
    return {std::move(id),
            std::move(name),
            "Opens the report; the prompt is copied",
            app,
            AgentTarget::OpenFile{app},
            std::nullopt};
}

Outcome failure(const std::string& message) {
    return {QString::fromStdString(message), true};
}

// The prompt file beside the report, and the script in the scripts folder, whose path the
// terminal gets: both new files of the user's only, named after the report.
std::optional<fs::path> writeScript(const AgentTarget& target,
                                    const AgentTarget::Terminal& terminal, const fs::path& report,
                                    const std::string& prompt,
                                    const std::optional<std::string>& path,
                                    const fs::path& scripts) {
    std::string name = report.stem().string();
    auto promptFile = platform::writeNewPrivateFile(
        report.parent_path(), name, ".prompt.txt",
        AgentScript::promptArgument(AgentPrompt::withFile(prompt, report.string()),
                                    terminal.arguments));
    if (!std::holds_alternative<fs::path>(promptFile) || platform::makePrivateFolder(scripts))
        return std::nullopt;
    std::replace(name.begin(), name.end(), ' ', '-');
    auto script = platform::writeNewPrivateFile(
        scripts, name, ".sh",
        AgentScript::text({.name = target.name,
                           .executable = terminal.executable,
                           .arguments = terminal.arguments,
                           .promptFile = std::get<fs::path>(promptFile).string(),
                           .path = path}));
    ReportFolder::prune(scripts);
    auto* written = std::get_if<fs::path>(&script);
    return written ? std::optional(*written) : std::nullopt;
}

Outcome sendToTerminal(const AgentTarget& target, const AgentTarget::Terminal& terminal,
                       const fs::path& report, const std::string& prompt,
                       const std::optional<std::string>& path, const Launcher& launcher) {
    std::optional<fs::path> script =
        writeScript(target, terminal, report, prompt, path, launcher.scriptFolder);
    if (!script)
        return failure("The script that starts " + target.name + " couldn’t be saved.");
    auto command = launcher.terminal(script->string());
    if (!command)
        return failure("No terminal was found to run " + target.name +
                       " in. Use “Copy Report and Prompt” and paste it into any AI chat.");
    platform::LaunchResult started = launcher.startTerminal(*command);
    if (started.startError != 0)
        return failure("The terminal couldn’t be opened to run " + target.name + ".");
    if (started.failed())
        return failure("The terminal ended at once with an error, so " + target.name +
                       " didn’t start.");
    return {};
}

Outcome sendToChat(const AgentTarget& target, const AgentTarget::Link& link,
                   const AgentReport& report, const std::string& prompt, const Launcher& launcher) {
    std::string text = ChatLink::text(prompt, report.condensed);
    if (!launcher.openUrl(link.base + ChatLink::queryValue(text)))
        return failure("The browser couldn’t be opened for " + target.name + ".");
    return {QString::fromStdString(
        target.name + " opened with the report. Press Return in the chat to send it.")};
}

Outcome sendToApp(const AgentTarget& target, const AgentTarget::OpenFile& app,
                  const fs::path& report, const std::string& prompt, const Launcher& launcher) {
    std::optional<platform::DesktopEntry> entry;
    if (auto text = platform::readRegularFile(app.appPath.c_str(), 1 << 20))
        entry = platform::DesktopEntry::parse(*text);
    if (!entry || entry->exec.empty())
        return failure(target.name + " couldn’t be found any more.");
    launcher.setClipboard(QString::fromStdString(AgentPrompt::withFile(prompt, report.string())));
    std::vector<std::string> command = entry->exec;
    command.push_back(report.string());
    if (!launcher.start(command))
        return failure(target.name + " couldn’t be opened.");
    return {QStringLiteral("The prompt is copied. Paste it into ") +
            QString::fromStdString(target.name) + QStringLiteral("’s chat.")};
}

} // namespace

const std::vector<std::string>& commandNames() {
    static const std::vector<std::string> names{"claude", "codex", "cursor-agent", "grok",
                                                "gemini"};
    return names;
}

Apps findApps(const std::vector<platform::DesktopEntry>& entries) {
    Apps apps;
    for (const KnownApp& known : knownApps())
        for (const platform::DesktopEntry& entry : entries)
            if (entry.name == known.name ||
                std::find(known.ids.begin(), known.ids.end(), entry.id) != known.ids.end()) {
                apps.emplace(known.name, entry);
                break;
            }
    return apps;
}

std::vector<AgentTarget> targets(const platform::CommandLookup& lookup, const Apps& apps) {
    auto command = [&](const char* name) -> const std::string* {
        auto found = lookup.commands.find(name);
        return found == lookup.commands.end() ? nullptr : &found->second;
    };
    auto app = [&](const char* name) -> std::optional<std::string> {
        auto found = apps.find(name);
        return found == apps.end() ? std::nullopt : std::optional(found->second.file);
    };
    // The agents whose command lines take "--" get one before the prompt; Cursor's documents
    // none, so its prompt is kept from starting with "-" instead.
    std::vector<AgentTarget> list;
    if (auto* claude = command("claude"))
        list.push_back(terminalTarget("claude-code", "Claude Code", *claude,
                                      {"--permission-mode", "default", "--"}, app("Claude")));
    if (auto claude = app("Claude"))
        list.push_back(chatTarget("claude", "Claude", "https://claude.ai/new?q=", *claude));
    if (auto* codex = command("codex"))
        list.push_back(terminalTarget(
            "codex", "Codex", *codex,
            {"--sandbox", "read-only", "--ask-for-approval", "on-request", "--"}, app("ChatGPT")));
    if (auto chatgpt = app("ChatGPT"))
        list.push_back(chatTarget("chatgpt", "ChatGPT", "https://chatgpt.com/?q=", *chatgpt));
    if (auto* cursorAgent = command("cursor-agent"))
        list.push_back(
            terminalTarget("cursor-agent", "Cursor Agent", *cursorAgent, {}, app("Cursor")));
    if (auto cursor = app("Cursor"))
        list.push_back(editorTarget("cursor", "Cursor", *cursor));
    if (auto* grok = command("grok"))
        list.push_back(terminalTarget("grok-cli", "Grok", *grok, {"--"}, app("Grok"), "AgentGrok"));
    if (auto grok = app("Grok"))
        list.push_back(chatTarget("grok", "Grok", "https://grok.com/?q=", *grok, "AgentGrok"));
    if (auto* gemini = command("gemini"))
        list.push_back(terminalTarget("gemini", "Gemini", *gemini, {"--"}, std::nullopt));
    // Editors with an agent of their own chat, which read the report from the opened file.
    if (auto code = app("Visual Studio Code"))
        list.push_back(editorTarget("vscode", "Visual Studio Code", *code));
    if (auto zed = app("Zed"))
        list.push_back(editorTarget("zed", "Zed", *zed));
    for (AgentTarget& target : list)
        for (const auto& [name, entry] : apps)
            if (target.appPath == entry.file)
                target.appIcon = entry.icon;
    return list;
}

Detection detect(bool sandboxed, const std::string& home) {
    platform::CommandLookup lookup;
    if (!sandboxed)
        lookup = platform::lookUpCommands(platform::loginShell(), commandNames());
    Apps apps = findApps(platform::AppSources::live(home).desktopEntries());
    return {targets(lookup, apps), lookup.path};
}

Launcher Launcher::live() {
    Launcher launcher;
    launcher.folder = dataFolder() / "Agent Reports";
    launcher.now = [] { return std::chrono::system_clock::now(); };
    launcher.openUrl = [](const std::string& url) {
        return QDesktopServices::openUrl(QUrl::fromEncoded(QByteArray::fromStdString(url)));
    };
    launcher.openFile = [](const std::string& path) {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
    };
    launcher.start = [](const std::vector<std::string>& command) {
        QStringList arguments;
        for (size_t index = 1; index < command.size(); ++index)
            arguments << QString::fromStdString(command[index]);
        return QProcess::startDetached(QString::fromStdString(command.front()), arguments);
    };
    launcher.setClipboard = [](const QString& text) {
        QGuiApplication::clipboard()->clear();
        QGuiApplication::clipboard()->setText(text);
    };
    launcher.terminal = [](const std::string& script) {
        const char* variable = std::getenv("TERMINAL");
        return platform::terminalCommand(script, variable ? variable : "", platform::findInPath);
    };
    launcher.startTerminal = [](const std::vector<std::string>& command) {
        return platform::launch(command, kTerminalWatch);
    };
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    launcher.scriptFolder = AgentScript::folder(runtime ? runtime : "", ::getuid());
    return launcher;
}

std::variant<fs::path, std::string> save(const AgentReport& report, const Launcher& launcher) {
    return ReportFolder::save(launcher.folder, report.markdown, launcher.now());
}

Outcome send(const AgentTarget& target, const AgentReport& report, const std::string& prompt,
             const std::optional<std::string>& path, const Launcher& launcher) {
    auto saved = save(report, launcher);
    if (auto* error = std::get_if<std::string>(&saved))
        return failure(*error);
    const fs::path& file = std::get<fs::path>(saved);
    if (auto* terminal = std::get_if<AgentTarget::Terminal>(&target.handoff))
        return sendToTerminal(target, *terminal, file, prompt, path, launcher);
    if (auto* link = std::get_if<AgentTarget::Link>(&target.handoff))
        return sendToChat(target, *link, report, prompt, launcher);
    return sendToApp(target, std::get<AgentTarget::OpenFile>(target.handoff), file, prompt,
                     launcher);
}

QString copyForAnyAgent(const AgentReport& report, const std::string& prompt,
                        const Launcher& launcher) {
    launcher.setClipboard(QString::fromStdString(AgentPrompt::inlined(prompt, report.condensed)));
    return QStringLiteral("The prompt and report are copied. Paste them into any AI chat.");
}

} // namespace tavelin::Agents
