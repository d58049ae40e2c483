#include "model/Agents.h"

#include "agents/AgentMenu.h"
#include "agents/AskAgentTip.h"
#include "agents/ShareConfirmation.h"
#include "app/ModelFixture.h"
#include "platform/TerminalCommand.h"
#include "report/AgentPrompt.h"
#include "report/ChatLink.h"
#include "shell/ReportCommand.h"
#include "support/TemporaryFolder.h"
#include "support/TextFiles.h"
#include "widgets/SettingsKeys.h"

#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QUrl>
#include <QUrlQuery>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace tavelin {
namespace {

namespace fs = std::filesystem;

using test::readText;

platform::DesktopEntry entry(std::string id, std::string name, std::string file = {}) {
    return {.id = std::move(id), .file = std::move(file), .name = std::move(name)};
}

// Records what a hand-off asks of the desktop instead of doing it.
struct FakeDesktop {
    test::TemporaryFolder folder;
    std::vector<std::vector<std::string>> started;
    std::vector<std::string> urls;
    std::vector<std::string> files;
    QString clipboard;
    bool hasTerminal = true;

    Agents::Launcher launcher() {
        Agents::Launcher launcher;
        launcher.folder = folder.path() / "Agent Reports";
        launcher.now = [] { return dateFromSecondsSince1970(1'741'529'105); };
        launcher.openUrl = [this](const std::string& url) {
            urls.push_back(url);
            return true;
        };
        launcher.openFile = [this](const std::string& path) {
            files.push_back(path);
            return true;
        };
        launcher.start = [this](const std::vector<std::string>& command) {
            started.push_back(command);
            return true;
        };
        launcher.setClipboard = [this](const QString& text) { clipboard = text; };
        launcher.terminal = [this](const std::string& script) {
            return hasTerminal ? std::optional(std::vector<std::string>{"term", "-e", script})
                               : std::nullopt;
        };
        launcher.startTerminal = [this](const std::vector<std::string>& command) {
            started.push_back(command);
            return platform::LaunchResult{};
        };
        launcher.scriptFolder = folder.path() / "scripts";
        return launcher;
    }
};

// A target as the detection would find it.
AgentTarget target(std::string id, std::string name, AgentTarget::Handoff handoff,
                   std::string detail = {}, std::optional<std::string> appPath = {}) {
    return {std::move(id),      std::move(name),    std::move(detail),
            std::move(appPath), std::move(handoff), std::nullopt};
}

AgentReport sampleReport() {
    AgentReport report(
        {.scope = Node::makeRoot("docs", "/home/ann/docs"), .root = Node::makeRoot("docs", "/")},
        7'000);
    report.condensed = "# Report\n| a&b | c=d+e#f |";
    return report;
}

TEST(AgentTargets, FollowTheTableForWhatWasFound) {
    platform::CommandLookup lookup{
        .commands = {{"claude", "/opt/bin/claude"}, {"codex", "/u/codex"}, {"gemini", "/g"}}};
    platform::DesktopEntry claudeApp = entry("chrome-abc-Default", "Claude", "/a/claude.desktop");
    claudeApp.icon = "chrome-abc-Default";
    Agents::Apps apps = Agents::findApps({claudeApp, entry("cursor", "Cursor", "/a/cursor.desktop"),
                                          entry("dev.zed.Zed", "Zed", "/a/zed.desktop"),
                                          entry("gedit", "Text Editor")});

    using Terminal = AgentTarget::Terminal;
    using Found = std::tuple<std::string, AgentTarget::Handoff, std::optional<std::string>>;
    std::vector<Found> found;
    for (const AgentTarget& target : Agents::targets(lookup, apps)) {
        found.emplace_back(target.id, target.handoff, target.appPath);
        EXPECT_EQ(target.appIcon, target.id.starts_with("claude") ? "chrome-abc-Default" : "")
            << "the app's own icon, for both Claudes";
    }
    EXPECT_EQ(
        found,
        (std::vector<Found>{
            {"claude-code", Terminal{"/opt/bin/claude", {"--permission-mode", "default", "--"}},
             "/a/claude.desktop"},
            {"claude", AgentTarget::Link{"https://claude.ai/new?q="}, "/a/claude.desktop"},
            {"codex",
             Terminal{"/u/codex",
                      {"--sandbox", "read-only", "--ask-for-approval", "on-request", "--"}},
             std::nullopt},
            {"cursor", AgentTarget::OpenFile{"/a/cursor.desktop"}, "/a/cursor.desktop"},
            {"gemini", Terminal{"/g", {"--"}}, std::nullopt},
            {"zed", AgentTarget::OpenFile{"/a/zed.desktop"}, "/a/zed.desktop"}}));
    EXPECT_TRUE(Agents::targets({}, {}).empty());
}

TEST(AgentHandoff, RunsATerminalAgentThroughAPrivateScriptOfItsOwnEachTime) {
    FakeDesktop desktop;
    AgentTarget agent = target("gemini", "Gemini", AgentTarget::Terminal{"/usr/bin/gemini", {}});
    AgentReport report = sampleReport();

    // Two hand-offs in the same second.
    for (int time = 0; time < 2; ++time) {
        Agents::Outcome outcome = Agents::send(agent, report, "-x Look.",
                                               "/home/ann/.npm/bin:/usr/bin", desktop.launcher());
        EXPECT_FALSE(outcome.failed || outcome.status);
    }

    fs::path reports = desktop.folder.path() / "Agent Reports";
    fs::path saved = reports / "Tavelin report 2025-03-09T140505Z-2.md";
    EXPECT_EQ(readText(saved), report.markdown);
    // Gemini takes no "--": the prompt must not read as an option.
    EXPECT_EQ(readText(reports / "Tavelin report 2025-03-09T140505Z-2.prompt.txt"),
              " " + AgentPrompt::withFile("-x Look.", saved.string()));
    fs::path scripts = desktop.folder.path() / "scripts";
    std::vector<std::vector<std::string>> expected;
    for (const char* name :
         {"Tavelin-report-2025-03-09T140505Z.sh", "Tavelin-report-2025-03-09T140505Z-2.sh"})
        expected.push_back({"term", "-e", (scripts / name).string()});
    EXPECT_EQ(desktop.started, expected);
    std::string script = readText(expected[1][2]);
    EXPECT_NE(script.find("export PATH='/home/ann/.npm/bin:/usr/bin'\n"), std::string::npos);
    EXPECT_NE(script.find("Tavelin report 2025-03-09T140505Z-2.prompt.txt"), std::string::npos);
    EXPECT_EQ(
        std::pair(fs::status(expected[1][2]).permissions(), fs::status(scripts).permissions()),
        std::pair(fs::perms(0600), fs::perms(0700)));

    desktop.hasTerminal = false;
    Agents::Outcome outcome =
        Agents::send(agent, report, "Look.", std::nullopt, desktop.launcher());
    EXPECT_TRUE(outcome.failed);
    EXPECT_EQ(outcome.status, QStringLiteral("No terminal was found to run Gemini in. Use “Copy "
                                             "Report and Prompt” and paste it into any AI chat."));
}

// Debian's x-terminal-emulator wrappers of the Xfce and MATE terminals: one word after "-e" is a
// command line that the terminal splits at spaces; more words are the program and its arguments.
// What runs in it shows in its own window, not in the test's output.
constexpr std::string_view kDebianWrapper = R"(#!/bin/sh
[ "$1" = -e ] || exit 2
shift
if [ $# -eq 1 ]; then set -f; set -- $1; fi
exec "$@" > /dev/null 2>&1
)";

TEST(AgentHandoff, TheAgentGetsItsArgumentsWholeThroughDebiansTerminalWrapper) {
    FakeDesktop desktop;
    fs::path bin = desktop.folder.path() / "bin";
    fs::path agentPath = desktop.folder.path() / "npm global" / "bin" / "agent";
    for (auto [file, text] : {std::pair{bin / "x-terminal-emulator", kDebianWrapper},
                              std::pair{agentPath, std::string_view(R"(#!/bin/sh
printf '%s\0' "$@" > "$0.arguments"
)")}}) {
        fs::create_directories(file.parent_path());
        std::ofstream(file) << text;
        fs::permissions(file, fs::perms::owner_all);
    }
    std::string path = std::getenv("PATH");
    ::setenv("PATH", (bin.string() + ":" + path).c_str(), 1);
    Agents::Launcher launcher = desktop.launcher();
    launcher.terminal = [](const std::string& script) {
        return platform::terminalCommand(script, "", platform::findInPath);
    };
    launcher.startTerminal = [](const std::vector<std::string>& command) {
        return platform::launch(command, std::chrono::seconds(10));
    };
    AgentTarget agent =
        target("claude-code", "Claude Code",
               AgentTarget::Terminal{agentPath.string(), {"--permission-mode", "--"}});
    std::string prompt = "-p Look at $(touch PWNED) `id` 'it's' \"here\"\n|;&";

    Agents::Outcome outcome = Agents::send(agent, sampleReport(), prompt, path, launcher);

    EXPECT_FALSE(outcome.failed) << outcome.status->toStdString();
    std::string saved =
        (desktop.folder.path() / "Agent Reports" / "Tavelin report 2025-03-09T140505Z.md").string();
    EXPECT_EQ(readText(agentPath.string() + ".arguments"),
              std::string("--permission-mode\0--\0", 21) + AgentPrompt::withFile(prompt, saved) +
                  '\0');
    EXPECT_FALSE(fs::exists(fs::path(std::getenv("HOME")) / "PWNED"));

    // A terminal that ends at once with an error never ran the agent.
    std::ofstream(bin / "x-terminal-emulator") << "#!/bin/sh\nexit 1\n";
    outcome = Agents::send(agent, sampleReport(), prompt, path, launcher);
    ::setenv("PATH", path.c_str(), 1);
    EXPECT_TRUE(outcome.failed);
    EXPECT_EQ(outcome.status, QStringLiteral("The terminal ended at once with an error, so Claude "
                                             "Code didn’t start."));
}

TEST(AgentHandoff, OpensAChatWithTheWholeTextOrAnEditorWithThePromptCopiedOnceTheReportIsSaved) {
    FakeDesktop desktop;
    AgentTarget chat = target("claude", "Claude", AgentTarget::Link{"https://claude.ai/new?q="});
    std::ofstream(desktop.folder.path() / "Agent Reports") << "a file in the folder's place";
    EXPECT_TRUE(Agents::send(chat, sampleReport(), "Why?", {}, desktop.launcher()).failed);
    EXPECT_TRUE(desktop.urls.empty());
    fs::remove(desktop.folder.path() / "Agent Reports");

    Agents::Outcome outcome = Agents::send(chat, sampleReport(), "Why?", {}, desktop.launcher());

    EXPECT_EQ(
        outcome.status,
        QStringLiteral("Claude opened with the report. Press Return in the chat to send it."));
    ASSERT_EQ(desktop.urls.size(), 1u);
    // The link survives the URL type the desktop is handed, and reads back as the text.
    QUrl url = QUrl::fromEncoded(QByteArray::fromStdString(desktop.urls[0]));
    EXPECT_EQ(QUrlQuery(url).queryItemValue(QStringLiteral("q"), QUrl::FullyDecoded),
              QString::fromStdString(ChatLink::text("Why?", sampleReport().condensed)));

    // An editor opens the saved report, with the prompt copied.
    fs::path entryFile = desktop.folder.path() / "zed.desktop";
    std::ofstream(entryFile) << "[Desktop Entry]\nType=Application\nName=Zed\nExec=zed --new %U\n";
    AgentTarget editor =
        target("zed", "Zed", AgentTarget::OpenFile{entryFile.string()}, "", entryFile.string());

    outcome = Agents::send(editor, sampleReport(), "Hi", {}, desktop.launcher());

    EXPECT_EQ(outcome.status, QStringLiteral("The prompt is copied. Paste it into Zed’s chat."));
    std::string saved =
        (desktop.folder.path() / "Agent Reports" / "Tavelin report 2025-03-09T140505Z-2.md")
            .string();
    EXPECT_EQ(desktop.started, (std::vector<std::vector<std::string>>{{"zed", "--new", saved}}));
    EXPECT_EQ(desktop.clipboard, QString::fromStdString(AgentPrompt::withFile("Hi", saved)));

    EXPECT_EQ(Agents::copyForAnyAgent(sampleReport(), "Hi", desktop.launcher()),
              QStringLiteral("The prompt and report are copied. Paste them into any AI chat."));
    EXPECT_EQ(desktop.clipboard, QStringLiteral("Hi\n\n# Report\n| a&b | c=d+e#f |"));
}

class AgentSharingTest : public test::ModelFixture {
protected:
    std::unique_ptr<AppModel> makeSharingModel(std::vector<AgentTarget> found = {}) {
        AppEnvironment env = environment();
        env.agentLauncher = desktop.launcher();
        env.detectAgents = [found] { return Agents::Detection{found, std::nullopt}; };
        return std::make_unique<AppModel>(env);
    }
    static void waitUntil(const std::function<bool()>& done) {
        EXPECT_TRUE(QTest::qWaitFor(done, 10000));
    }

    FakeDesktop desktop;
    AgentTarget codex = target("codex", "Codex", AgentTarget::Terminal{"/bin/codex", {}},
                               "In a terminal · asks before changing anything");
    AgentTarget chat =
        target("chatgpt", "ChatGPT", AgentTarget::Link{"https://chatgpt.com/?q="}, "New chat");
};

TEST_F(AgentSharingTest, TipsOnceThenAsksFirstAndSharesAtOnceOnceTheUserSaidSo) {
    tree.file("Projects/big.bin", 2'000'000);
    auto model = makeSharingModel();
    model->ask(codex); // no tree yet: nothing
    EXPECT_FALSE(model->agents().isConfirmingShare() || model->agents().tipShown());
    ASSERT_TRUE(scanned(*model, tree.root().string()));
    EXPECT_TRUE(model->agents().tipShown()) << "after the first scan";
    AskAgentTip tip(model->agents());
    EXPECT_EQ(tip.title()->text(), QStringLiteral("Ask an AI agent about your disk"));
    EXPECT_TRUE(tip.message()->text().startsWith(
        QStringLiteral("Send this scan to Claude, Codex or Grok on your computer.")));
    model->agents().dismissTip();
    auto later = makeSharingModel();
    ASSERT_TRUE(scanned(*later, tree.root().string()));
    EXPECT_FALSE(later->agents().tipShown()) << "only after the first";
    ShareConfirmation sheet(*model);

    model->ask(codex);
    EXPECT_TRUE(model->agents().isConfirmingShare());
    EXPECT_EQ(sheet.title()->text(), QStringLiteral("Send Tavelin’s report to Codex?"));
    EXPECT_EQ(sheet.message()->text(),
              QStringLiteral("The report lists folder and file names, sizes and dates in “tree”, "
                             "and what Tavelin already suggests. It never includes what’s inside "
                             "your files. It can look through your folders, and asks you before "
                             "it changes anything."));
    EXPECT_EQ(sheet.confirmButton()->text(), QStringLiteral("Send"));

    EXPECT_TRUE(AgentsState::confirmationMessage(codex, "").startsWith(
        QStringLiteral("The report lists folder and file names, sizes "
                       "and dates in “this folder”, ")));

    model->ask(std::nullopt);
    EXPECT_EQ(sheet.title()->text(), QStringLiteral("Copy Tavelin’s report?"));
    EXPECT_TRUE(sheet.message()->text().endsWith(QStringLiteral(" You choose where to paste it.")));
    EXPECT_EQ(sheet.confirmButton()->text(), QStringLiteral("Copy"));

    model->ask(chat);
    EXPECT_TRUE(sheet.message()->text().endsWith(
        QStringLiteral(" ChatGPT may send it to its own service, as it does with anything you "
                       "give it.")));
    sheet.showReportButton()->click();
    ASSERT_EQ(desktop.files.size(), 1u);
    EXPECT_TRUE(readText(desktop.files[0]).starts_with("# Tavelin report: "));
    EXPECT_TRUE(model->agents().isConfirmingShare());

    sheet.dontAskAgain()->setChecked(true);
    sheet.confirmButton()->click();
    EXPECT_FALSE(model->agents().isConfirmingShare());
    EXPECT_TRUE(QSettings().value(SettingsKeys::agentShareAcknowledged).toBool());
    EXPECT_EQ(desktop.urls.size(), 1u);
    EXPECT_TRUE(model->notice().value_or("").startsWith("ChatGPT opened with the report."));

    model->ask(codex);
    EXPECT_FALSE(model->agents().isConfirmingShare());
    // The terminal is watched on the worker pool before the notice says it opened.
    waitUntil([&] {
        return model->notice() == QStringLiteral("Opened Codex with the report of “tree”.");
    });
}

TEST_F(AgentSharingTest, MenuListsTerminalAgentsFirstAndAlwaysOffersToCopy) {
    auto model = makeSharingModel({chat, codex});
    waitUntil([&] { return model->agents().isLoaded(); });
    AgentMenu menu(*model);
    menu.rebuild();

    QStringList texts;
    for (QAction* action : menu.picker()->actions())
        if (!action->isSeparator())
            texts << action->text();
    EXPECT_EQ(texts, (QStringList{
                         QStringLiteral("On your computer · recommended"),
                         QStringLiteral("Opens in a terminal. Looks through your folders itself "
                                        "and asks before changing anything."),
                         QStringLiteral("Codex\tIn a terminal · asks before changing anything"),
                         QStringLiteral("In a chat"),
                         QStringLiteral("Sends a summary of this scan."),
                         QStringLiteral("ChatGPT\tNew chat"),
                         QStringLiteral("Copy Report and Prompt"),
                     }));
    EXPECT_FALSE(menu.isEnabled()); // no tree to report on

    auto empty = makeSharingModel();
    waitUntil([&] { return empty->agents().isLoaded(); });
    AgentMenu none(*empty);
    none.rebuild();
    EXPECT_EQ(none.picker()->actions().front()->text(),
              QStringLiteral("No AI agents found on this computer. Copy the report and paste it "
                             "into any AI chat."));
    EXPECT_FALSE(none.picker()->actions().front()->isEnabled());
}

TEST_F(AgentSharingTest, ReportsAFolderFromTheCommandLine) {
    tree.file("Videos/long.mov", 120'000'000);
    std::ostringstream output;
    std::ostringstream errors;

    EXPECT_EQ(ReportCommand::run(tree.root().string(), false, false, output, errors), 0);
    EXPECT_TRUE(output.str().starts_with("# Tavelin report: "));
    EXPECT_NE(output.str().find("/Videos/long.mov` | 120 MB |"), std::string::npos) << output.str();
    EXPECT_EQ(errors.str(), "");

    std::ostringstream missing;
    EXPECT_EQ(ReportCommand::run(tree.path("nothing\nhere"), true, false, output, missing), 1);
    EXPECT_EQ(missing.str(), "tavelin: “" + tree.path("nothing\\nhere") + "” does not exist.\n")
        << "the window's sentence";
}

} // namespace
} // namespace tavelin
