#include "platform/LoginShell.h"

#include "platform/TerminalCommand.h"
#include "support/TemporaryFolder.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>

namespace tavelin::platform {
namespace {

namespace fs = std::filesystem;
using test::TemporaryFolder;

void executable(const fs::path& file, std::string_view text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << text;
    fs::permissions(file, fs::perms::owner_all);
}

const std::vector<std::string> kNames{"claude", "codex", "gemini"};

TEST(LoginShell, FindsAgentsOnThePathTheUsersStartUpFileSetsUp) {
    // The test home stands in for the user's; its start-up file adds a folder of its own.
    fs::path home = std::getenv("HOME");
    TemporaryFolder temporary;
    fs::path tools = temporary.path() / "npm bin";
    executable(tools / "claude", "#!/bin/sh\n");
    std::ofstream(tools / "codex") << "not executable";
    std::ofstream(home / ".profile") << "echo 'codex=/bin/sh' from a chatty start-up file >&2\n"
                                        "PATH='"
                                     << tools.string() << "':$PATH\nexport PATH\n";

    CommandLookup lookup = lookUpCommands("/bin/bash", kNames);
    fs::remove(home / ".profile");

    EXPECT_EQ(lookup.commands,
              (std::map<std::string, std::string>{{"claude", (tools / "claude").string()}}));
    ASSERT_TRUE(lookup.path);
    EXPECT_TRUE(lookup.path->starts_with(tools.string() + ":")) << *lookup.path;
}

TEST(LoginShell, StopsAShellThatHangsAndFindsNothing) {
    TemporaryFolder temporary;
    fs::path shell = temporary.path() / "slow-shell";
    executable(shell, "#!/bin/sh\necho claude=/bin/sh\nexec sleep 30\n");

    auto started = std::chrono::steady_clock::now();
    CommandLookup lookup = lookUpCommands(shell.string(), kNames, std::chrono::milliseconds(300));

    EXPECT_TRUE(lookup.commands.empty());
    EXPECT_FALSE(lookup.path);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
    EXPECT_TRUE(lookUpCommands("/nonexistent/shell", kNames).commands.empty());
}

TEST(LoginShell, KeepsOnlyAbsolutePathsOfExecutableFilesForTheNamesAskedFor) {
    TemporaryFolder temporary;
    fs::path plain = temporary.path() / "plain";
    std::ofstream(plain) << "text";
    fs::permissions(plain, fs::perms::owner_read | fs::perms::owner_write);
    auto lookup = parseLookup("bash: no job control in this shell\n"
                              "claude=claude\n" // not absolute
                              "codex=" +
                                  plain.string() + // not executable
                                  "\n"
                                  "gemini=/bin\n"    // a folder
                                  "grok=/bin/sh\n"   // not asked for
                                  "gemini=/bin/sh\n" // the last answer wins
                                  "PATH=/a b:/usr/bin\n",
                              kNames);

    EXPECT_EQ(lookup.commands, (std::map<std::string, std::string>{{"gemini", "/bin/sh"}}));
    EXPECT_EQ(lookup.path, "/a b:/usr/bin");
    EXPECT_EQ(lookupScript("/usr/bin/fish", {"claude"}),
              "echo \"claude=\"(command -s claude); echo \"PATH=$PATH\"");
}

TEST(TerminalCommand, PrefersTheSystemsTerminalThenTheUsersThenACommonOne) {
    auto finder = [](std::vector<std::string> installed) {
        return [installed](std::string_view name) -> std::optional<std::string> {
            for (const std::string& program : installed)
                if (program == name)
                    return "/usr/bin/" + program;
            return std::nullopt;
        };
    };
    // (the user's terminal, what is installed) -> the terminal and how it is told to run a script
    const std::tuple<std::string, std::vector<std::string>, std::string> cases[] = {
        {"kitty", {"x-terminal-emulator", "kitty"}, "/usr/bin/x-terminal-emulator -e"},
        {"kitty", {"kitty", "xterm"}, "/usr/bin/kitty"},
        {"myterm", {"myterm", "xterm"}, "/usr/bin/myterm -e"},
        {"", {"xterm", "gnome-terminal"}, "/usr/bin/gnome-terminal --"},
        {"", {"xfce4-terminal"}, "/usr/bin/xfce4-terminal -x"},
        {"gone", {}, ""},
    };
    for (const auto& [preferred, installed, expected] : cases) {
        std::string line;
        for (const std::string& word : terminalCommand("/r/s.sh", preferred, finder(installed))
                                           .value_or(std::vector<std::string>{}))
            line += word + " ";
        EXPECT_EQ(line, expected.empty() ? "" : expected + " /bin/sh /r/s.sh ") << preferred;
    }
}

} // namespace
} // namespace tavelin::platform
