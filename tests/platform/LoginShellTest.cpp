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
    EXPECT_TRUE(lookup.path.value_or("").starts_with(tools.string() + ":"))
        << lookup.path.value_or("none");
}

TEST(LoginShell, StopsAShellThatHangsAndFindsNothing) {
    TemporaryFolder temporary;
    fs::path shell = temporary.path() / "slow-shell";
    executable(shell, "#!/bin/sh\necho claude=/bin/sh\nexec sleep 30\n");

    auto started = std::chrono::steady_clock::now();
    CommandLookup lookup = lookUpCommands(shell.string(), kNames, std::chrono::milliseconds(300));

    EXPECT_TRUE(lookup.commands.empty() && !lookup.path);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
    EXPECT_TRUE(lookUpCommands("/nonexistent/shell", kNames).commands.empty());
}

TEST(LoginShell, KeepsOnlyAbsolutePathsOfExecutableFilesForTheNamesAskedFor) {
    TemporaryFolder temporary;
    fs::path plain = temporary.path() / "plain";
    std::ofstream(plain) << "text";
    fs::permissions(plain, fs::perms::owner_read | fs::perms::owner_write);
    // Not absolute, not executable, a folder, not asked for, and the last answer wins.
    auto lookup =
        parseLookup("bash: no job control in this shell\nclaude=claude\ncodex=" + plain.string() +
                        "\ngemini=/bin\ngrok=/bin/sh\ngemini=/bin/sh\nPATH=/a b:/usr/bin\n",
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
    using Line = std::vector<std::string>;

    EXPECT_EQ(terminalCommand("/r/s.sh", "kitty", finder({"x-terminal-emulator", "kitty"})),
              (Line{"/usr/bin/x-terminal-emulator", "-e", "/bin/sh", "/r/s.sh"}));
    EXPECT_EQ(terminalCommand("/r/s.sh", "kitty", finder({"kitty", "xterm"})),
              (Line{"/usr/bin/kitty", "/bin/sh", "/r/s.sh"}));
    EXPECT_EQ(terminalCommand("/r/s.sh", "myterm", finder({"myterm", "xterm"})),
              (Line{"/usr/bin/myterm", "-e", "/bin/sh", "/r/s.sh"}));
    EXPECT_EQ(terminalCommand("/r/s.sh", "", finder({"xterm", "gnome-terminal"})),
              (Line{"/usr/bin/gnome-terminal", "--", "/bin/sh", "/r/s.sh"}));
    EXPECT_EQ(terminalCommand("/r/s.sh", "", finder({"xfce4-terminal"})),
              (Line{"/usr/bin/xfce4-terminal", "-x", "/bin/sh", "/r/s.sh"}));
    EXPECT_EQ(terminalCommand("/r/s.sh", "gone", finder({})), std::nullopt);
}

} // namespace
} // namespace tavelin::platform
