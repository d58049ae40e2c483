#include "advisor/system/SystemDetector.h"

#include "executor/Executor.h"
#include "support/FakeMachine.h"
#include "support/SyntheticTree.h"
#include "support/TemporaryFolder.h"
#include "support/TreeBuilder.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

using namespace tavelin;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

constexpr int64_t MB = 1'000'000;
constexpr int64_t MiB = 1'048'576;
const Date kNow = dateFromSecondsSince1970(1'750'000'000);

// A pkexec that only writes down the command it was asked to run, one argument a line, and
// exits with $FAKE_PKEXEC_STATUS after printing $FAKE_PKEXEC_SAYS.
struct FakePkexec {
    test::TemporaryFolder folder;
    std::string path = test::TreeBuilder(folder.path())
                           .file("pkexec", "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$0.log\"\n"
                                           "echo \"$FAKE_PKEXEC_SAYS\"\nexit "
                                           "\"${FAKE_PKEXEC_STATUS:-0}\"\n");

    FakePkexec() { fs::permissions(path, fs::perms::owner_all); }

    std::string ran() const {
        std::ifstream log(path + ".log");
        std::string line, words;
        while (std::getline(log, line))
            words += (words.empty() ? "" : " ") + line;
        fs::remove(path + ".log");
        return words;
    }
};

ExecutorEnvironment toolsRun() {
    ExecutorEnvironment env = ExecutorEnvironment::live();
    env.freeSpace = [] { return int64_t{0}; };
    return env;
}

} // namespace

TEST(SystemDetector, OffersTheSystemsSpaceAsCommandsRunAsAdministrator) {
    test::SyntheticTree tree("/");
    test::FakeMachine machine;
    FakePkexec pkexec;
    machine.programs = {{"pkexec", pkexec.path},
                        {"apt-get", "/usr/bin/apt-get"},
                        {"journalctl", "/usr/bin/journalctl"},
                        {"flatpak", "/usr/bin/flatpak"},
                        {"snap", "/usr/bin/snap"}};
    auto daysAgo = [](int days) { return kNow - 24h * days; };

    tree.file("/var/cache/apt/archives/firefox_128.deb", 30 * MB);
    tree.file("/var/cache/apt/archives/libc6_2.36.deb", 20 * MB);
    tree.file("/var/cache/apt/pkgcache.bin", 40 * MB);
    // 200 MiB of journal: the two oldest archives go, which leaves 100 MiB.
    const std::string journal = "/var/log/journal/0a1b/";
    tree.file(journal + "system@00a-01.journal", 50 * MiB, std::nullopt, daysAgo(60));
    tree.file(journal + "system@00a-02.journal", 50 * MiB, std::nullopt, daysAgo(30));
    tree.file(journal + "user-1000@00b-03.journal", 40 * MiB, std::nullopt, daysAgo(20));
    tree.file(journal + "system.journal", 60 * MiB, std::nullopt, daysAgo(0));
    // An app on GNOME 46 with its translations and graphics drivers; GNOME 44 and the old
    // drivers are left over, KDE's runtime is pinned.
    const std::string flatpak = "/var/lib/flatpak/";
    tree.file(flatpak + "app/org.gnome.Calculator/x86_64/stable/abc/files/bin", 5 * MB);
    machine.texts[flatpak + "app/org.gnome.Calculator/x86_64/stable/active/metadata"] =
        "[Application]\nname=org.gnome.Calculator\nruntime=org.gnome.Platform/x86_64/46\n"
        "sdk=org.gnome.Sdk/x86_64/46\n";
    machine.texts[flatpak + "runtime/org.gnome.Platform/x86_64/46/active/metadata"] =
        "[Runtime]\nname=org.gnome.Platform\n\n[Extension org.gnome.Platform.Locale]\n"
        "directory=share/runtime/locale\n\n[Extension org.freedesktop.Platform.GL]\n"
        "version=1.4\nversions=23.08;1.4\ndirectory=lib/GL\nsubdirectories=true\n";
    machine.texts[flatpak + "repo/config"] =
        "[core]\nrepo_version=1\nxa.pinned=runtime/org.kde.Platform/x86_64/5.15-23.08\n";
    tree.folder(flatpak + "runtime/org.gnome.Platform/x86_64/46", 300 * MB);
    tree.folder(flatpak + "runtime/org.gnome.Platform.Locale/x86_64/46", 10 * MB);
    tree.folder(flatpak + "runtime/org.freedesktop.Platform.GL.default/x86_64/23.08", 100 * MB);
    tree.folder(flatpak + "runtime/org.gnome.Platform/x86_64/44", 280 * MB);
    tree.folder(flatpak + "runtime/org.freedesktop.Platform.GL.default/x86_64/22.08", 90 * MB);
    tree.folder(flatpak + "runtime/org.kde.Platform/x86_64/5.15-23.08", 400 * MB);
    tree.folder("/home/u/.local/share/flatpak/runtime/org.gtk.Gtk3theme.Adwaita/x86_64/3.22",
                2 * MB);
    tree.file("/var/lib/snapd/snaps/zoom-client_4600.snap", 260 * MB);
    tree.file("/var/lib/snapd/snaps/zoom-client_4500.snap", 250 * MB);
    tree.file("/var/lib/snapd/snaps/core22_1000.snap", 70 * MB);
    tree.file("/var/lib/snapd/snaps/odd name_1.snap", 70 * MB);
    machine.links = {{"/snap/zoom-client/current", "4600"}, {"/snap/core22/current", "1000"}};
    // Crash reports are small: their folder's listing names them, markers and all.
    tree.file("/var/crash/_usr_bin_app.1000.crash", 3 * MB);
    machine.listings["/var/crash"] = {
        {"_usr_bin_app.1000.crash", false, 3 * MB, 3 * MB, daysAgo(5)},
        {"_usr_bin_tool.1000.crash", false, 800'000, 800'000, daysAgo(9)},
        {"_usr_bin_app.1000.upload", false, 0, 0, daysAgo(5)},
    };
    tree.file("/var/lib/systemd/coredump/core.app.1000.zst", 5 * MB, std::nullopt, daysAgo(2));
    // The running kernel and the newest other one stay; the two before go, with their files.
    for (auto [release, size] : {std::pair{"6.1.0-18-amd64", 400 * MB},
                                 {"6.1.0-17-amd64", 400 * MB},
                                 {"6.1.0-13-amd64", 390 * MB},
                                 {"5.10.0-28-amd64", 350 * MB}})
        tree.folder(std::string("/usr/lib/modules/") + release, size);
    tree.file("/boot/vmlinuz-6.1.0-13-amd64", 8 * MB);
    tree.file("/boot/initrd.img-6.1.0-13-amd64", 60 * MB);
    tree.file("/boot/vmlinuz-5.10.0-28-amd64", 7 * MB);
    tree.file("/boot/vmlinuz-6.1.0-18-amd64", 8 * MB);
    machine.kernel = "6.1.0-17-amd64";

    auto found = SystemDetector().candidates(machine.context(tree.root(), "/home/u", kNow));
    std::vector<std::string> rows;
    for (const Candidate& row : found) {
        SCOPED_TRACE(row.title);
        EXPECT_EQ(row.category, AdvisorCategory::system);
        EXPECT_FALSE(row.evidence.empty());
        EXPECT_TRUE(row.paths().empty()) << "Tavelin itself deletes nothing here";
        const auto* guide = std::get_if<AdvisorAction::Guide>(&row.action.value);
        const auto* tool = std::get_if<AdvisorAction::RunTool>(&row.action.value);
        rows.push_back(row.title + " | " + std::string(label(row.rung)) + " | " +
                       std::to_string(row.freed) + " | " +
                       (guide ? guide->instructions : tool->command.display));
        if (tool && tool->command.executable == pkexec.path) {
            // The command shown is the command pkexec is given.
            ActionResult done = Executor::runTool(tool->command, false, toolsRun());
            EXPECT_EQ(done.applied, std::vector<std::string>{tool->command.display});
            EXPECT_EQ("pkexec " + pkexec.ran(), tool->command.display);
        }
    }
    EXPECT_EQ(rows,
              (std::vector<std::string>{
                  "Package Cache | Tool clean-up | 90000000 | pkexec apt-get clean",
                  "System Logs | Tool clean-up | 104857600 | pkexec journalctl --vacuum-size=100M",
                  "Unused Flatpak Runtimes | Tool clean-up | 370000000 | pkexec flatpak uninstall "
                  "--system --unused -y",
                  "Your Unused Flatpak Runtimes | Tool clean-up | 2000000 | flatpak uninstall "
                  "--user --unused -y",
                  "Old Snap Revision: zoom-client 4500 | Tool clean-up | 250000000 | pkexec snap "
                  "remove --revision=4500 zoom-client",
                  "Crash Reports | Tool clean-up | 3800000 | pkexec rm -f -- "
                  "/var/crash/_usr_bin_app.1000.crash /var/crash/_usr_bin_tool.1000.crash",
                  "Core Dumps | Tool clean-up | 5000000 | pkexec rm -f -- "
                  "/var/lib/systemd/coredump/core.app.1000.zst",
                  "Old Kernels | Your call | 815000000 | Remove kernels you no longer start with "
                  "your package manager, keeping the one running now and the newest other one. "
                  "Removing the wrong one can leave a computer that does not start."}));
    EXPECT_EQ(found[1].evidence[0], (Evidence{Evidence::Kind::note, "Older logs are gone"}));
    EXPECT_EQ(found[0].evidence[0],
              (Evidence{Evidence::Kind::rebuild, "Downloaded again when a package is installed"}));

    // A closed password prompt, a refusal, and no pkexec at all: the step fails, saying so.
    const ToolCommand& clean = std::get<AdvisorAction::RunTool>(found[0].action.value).command;
    ::setenv("FAKE_PKEXEC_STATUS", "126", 1);
    EXPECT_EQ(Executor::runTool(clean, false, toolsRun()).error,
              "The password prompt was closed, so “apt-get clean” didn’t run. Nothing was "
              "changed.");
    ::setenv("FAKE_PKEXEC_STATUS", "127", 1);
    ::setenv("FAKE_PKEXEC_SAYS", "Error executing command as another user: Not authorized", 1);
    EXPECT_EQ(Executor::runTool(clean, false, toolsRun()).error,
              "“apt-get clean” wasn’t allowed to run as administrator (Error executing command as "
              "another user: Not authorized). Nothing was changed.");
    ::unsetenv("FAKE_PKEXEC_STATUS");
    ::unsetenv("FAKE_PKEXEC_SAYS");
    pkexec.ran();
    machine.programs.erase("pkexec");
    auto without = SystemDetector().candidates(machine.context(tree.root(), "/home/u", kNow));
    const ToolCommand& unrun = std::get<AdvisorAction::RunTool>(without[0].action.value).command;
    EXPECT_EQ(unrun.display, "pkexec apt-get clean");
    EXPECT_EQ(Executor::runTool(unrun, false, toolsRun()).error,
              "pkexec isn’t installed, so “apt-get clean” couldn’t ask for the administrator "
              "password. Nothing was changed.");
    EXPECT_EQ(pkexec.ran(), "") << "nothing ran";
}
