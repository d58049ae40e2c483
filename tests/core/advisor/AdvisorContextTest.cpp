#include "advisor/AdvisorContext.h"

#include "advisor/Spotlight.h"
#include "support/SyntheticTree.h"
#include "support/TemporaryFolder.h"
#include "support/TreeBuilder.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace tavelin;
using namespace std::chrono_literals;

namespace {

Date at(double seconds) {
    return dateFromSecondsSince1970(seconds);
}

void setAccessTime(const std::string& path, int64_t seconds) {
    struct timespec times[2] = {{seconds, 0}, {0, UTIME_OMIT}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
}

} // namespace

TEST(AdvisorContextNode, FindsTheFirstPlaceInsideTheTree) {
    test::SyntheticTree tree("/");
    Node& plain = tree.folder("/home/u/.cache", 10);
    Node& data = tree.folder("/System/Volumes/Data/home/u/.npm", 10);
    AdvisorContext context{.root = tree.root(), .home = "/home/u"};
    EXPECT_EQ(context.node(".cache"), &plain);
    EXPECT_EQ(context.node(".npm"), &data) << "reached through the data volume";
    EXPECT_EQ(context.node(".gradle"), nullptr);

    test::SyntheticTree home("/home/u");
    Node& inside = home.folder("/home/u/.cache", 10);
    home.folder("/home/u/x", 10);
    AdvisorContext scoped{.root = home.root(), .home = "/home/u"};
    EXPECT_EQ(scoped.node(".cache"), &inside);
    EXPECT_EQ(scoped.node("/home/u"), home.root().get());
    EXPECT_EQ(AdvisorContext::node(*home.root(), "x", "/home"), nullptr)
        << "/home/x is not inside /home/u";
    EXPECT_EQ(AdvisorContext::node(*home.root(), "/home/ux", "/"), nullptr)
        << "a shared prefix is not a folder boundary";
}

TEST(AdvisorContextDays, CountsWholeDaysWithAMinuteOfAllowance) {
    AdvisorContext context{.now = at(1'750'000'000)};
    EXPECT_EQ(context.daysSince(context.now - 23h - 59min - 30s), 1);
    EXPECT_EQ(context.daysSince(context.now - 23h - 58min), 0);
    EXPECT_EQ(context.daysSince(context.now + 48h), -1);
    EXPECT_EQ(context.daysSince(context.now), 0);
    EXPECT_GT(context.daysSince(kDistantPast), 100'000) << "no overflow for an unknown date";
}

TEST(AdvisorContextLive, ReadsOnlyUtf8RegularFiles) {
    test::TemporaryFolder folder;
    test::TreeBuilder files(folder.path());
    auto context = AdvisorContext::live(nullptr, folder.string() + "/", Date{});
    EXPECT_EQ(context.home, folder.string());
    std::ofstream(files.path("good")) << "gitdir: /x/.git/worktrees/y";
    std::ofstream(files.path("bad")) << "gitdir: /x\xff";
    ASSERT_EQ(::mkfifo(files.path("pipe").c_str(), 0600), 0);
    files.symlink("gone", "dangling");

    EXPECT_EQ(context.readFile(files.path("good")), "gitdir: /x/.git/worktrees/y");
    EXPECT_EQ(context.readFile(files.path("bad")), std::nullopt);
    EXPECT_EQ(context.readFile(files.path("pipe")), std::nullopt) << "never waits on a writer";
    EXPECT_EQ(context.readFile(folder.string()), std::nullopt);
    EXPECT_TRUE(context.fileExists(files.path("dangling")));
    EXPECT_TRUE(context.fileExists(files.path("pipe")));
    EXPECT_FALSE(context.fileExists(files.path("missing")));
    EXPECT_TRUE(context.cloudProviders().empty());
}

TEST(AdvisorContextLive, KnowsTheUsersFoldersAndApplications) {
    test::TemporaryFolder home;
    std::string config = std::string(std::getenv("XDG_CONFIG_HOME")) + "/user-dirs.dirs";
    std::string entries = std::string(std::getenv("XDG_DATA_HOME")) + "/applications";
    std::filesystem::create_directories(entries);
    std::ofstream(config) << "XDG_DOWNLOAD_DIR=\"$HOME/Téléchargements\"\n";
    std::ofstream(entries + "/org.example.Editor.desktop")
        << "[Desktop Entry]\nType=Application\nName=Example Editor\nExec=editor\n";
    std::ofstream(entries + "/latin1.desktop")
        << "[Desktop Entry]\nType=Application\nName=Caf\xe9\n";
    std::string tool = test::TreeBuilder(home.path()).file("Applications/Tool.AppImage", 10);

    auto context = AdvisorContext::live(nullptr, home.string(), Date{});
    auto installed = context.installedBundleIDs();
    std::filesystem::remove(config);
    std::filesystem::remove_all(entries);

    EXPECT_EQ(context.userFolders.downloads, "Téléchargements");
    EXPECT_EQ(context.userFolders.pictures, "Pictures");
    EXPECT_TRUE(installed.contains("Example Editor"));
    EXPECT_TRUE(installed.contains("org.example.Editor"));
    EXPECT_TRUE(installed.contains("latin1")) << "its id still names it";
    EXPECT_FALSE(installed.contains("Caf\xe9")) << "a name that is not UTF-8 is no name";
    EXPECT_EQ(context.installedBundleIDs(), installed) << "read once per run";
    auto apps = context.installedApps();
    auto found = std::ranges::find(apps, tool, &platform::InstalledApp::path);
    ASSERT_NE(found, apps.end()) << "the system's own apps may come with it";
    EXPECT_EQ(found->name, "Tool");
}

TEST(Spotlight, LastUsedIsAFileAccessTimeCachedUntilCleared) {
    test::TemporaryFolder folder;
    test::TreeBuilder files(folder.path());
    std::string file = files.file("report.pdf", 10);
    Spotlight::clearCache();
    setAccessTime(file, 1'600'000'000);
    EXPECT_EQ(Spotlight::lastUsed(file), at(1'600'000'000));
    setAccessTime(file, 1'700'000'000);
    EXPECT_EQ(Spotlight::lastUsed(file), at(1'600'000'000)) << "the cached answer";
    EXPECT_EQ(Spotlight::lastUsed(folder.string()), std::nullopt) << "folders have none";
    EXPECT_EQ(Spotlight::lastUsed(files.path("missing")), std::nullopt);
    Spotlight::clearCache();
    EXPECT_EQ(Spotlight::lastUsed(file), at(1'700'000'000));
}
