#include "advisor/cloud/CloudStorage.h"

#include "advisor/cloud/CloudOnlineOnlyDetector.h"
#include "advisor/cloud/SyncClients.h"
#include "core/advisor/CandidateSummary.h"
#include "support/FakeMachine.h"
#include "support/SyntheticTree.h"
#include "support/TemporaryFolder.h"
#include "support/TreeBuilder.h"

#include <chrono>
#include <gtest/gtest.h>

using namespace tavelin;
using namespace std::chrono_literals;
using test::summaries;

TEST(CloudStorage, FindsFileProviderFoldersTheCloudDriveAndHomeSyncFoldersInOrder) {
    test::TemporaryFolder temp;
    std::string home = temp.string();
    test::TreeBuilder folders(home);
    EXPECT_TRUE(CloudStorage::providers(home).empty()) << "no cloud folder, no provider";

    folders.folder("Library/CloudStorage/OneDrive-Contoso");
    folders.folder("Library/CloudStorage/GoogleDrive-me@example.com");
    folders.folder("Library/CloudStorage/.Trash");
    folders.file("Library/CloudStorage/notes.txt", 10);
    folders.folder("Library/Mobile Documents/com~apple~CloudDocs");
    folders.folder("Proton Drive");
    folders.folder("Dropbox");
    folders.folder("Google Drive");
    folders.file("MEGA", 10);
    EXPECT_EQ(CloudStorage::providers(home),
              (std::vector<CloudProvider>{
                  {"Google Drive (me@example.com)",
                   home + "/Library/CloudStorage/GoogleDrive-me@example.com", false},
                  {"OneDrive (Contoso)", home + "/Library/CloudStorage/OneDrive-Contoso", false},
                  {"iCloud Drive", home + "/Library/Mobile Documents/com~apple~CloudDocs", true},
                  {"Dropbox", home + "/Dropbox", false},
                  {"Google Drive", home + "/Google Drive", false},
                  {"Proton Drive", home + "/Proton Drive", false},
              }));

    AdvisorContext live = AdvisorContext::live(nullptr, home + "/", kDistantPast);
    EXPECT_EQ(live.cloudProviders().size(), 6u) << "the live context finds the same folders";
}

TEST(CloudStorage, SyncClientsNameTheirFoldersInTheirOwnSettings) {
    test::TemporaryFolder temp;
    test::TreeBuilder files(temp.path());
    std::string home = files.folder("home");
    SyncClients::Places places{home, files.folder("config"), files.folder("state")};
    for (const char* folder : {"home/Work cloud", "home/ownCloud", "home/Dropbox (Personal)",
                               "home/Sync", "home/Shared", "gdrive"})
        files.folder(folder);
    files.file("config/Nextcloud/nextcloud.cfg",
               "[Accounts]\n0\\Folders\\1\\localPath=" + home +
                   "/Work cloud/\n0\\Folders\\2\\localPath=" + home + "/gone/\n");
    files.file("config/ownCloud/owncloud.cfg",
               "0\\FoldersWithPlaceholders\\1\\localPath=" + home + "/ownCloud\n");
    files.file("home/.dropbox/info.json",
               R"js({"personal": {"path": ")js" + home + R"js(/Dropbox (Personal)"}, )js" +
                   R"js("business": {"path": ")js" + home + R"js(/Work cloud"}, "host": 5})js");
    files.file(
        "state/syncthing/config.xml",
        R"(<configuration><folder id="a" path="~/Sync"/><folder path="rel"/><folder path=")" +
            home + R"(/Shared"/></configuration>)");
    std::vector<platform::MountFacts> mounts{
        {.root = "/", .path = "/", .type = "ext4", .source = "/dev/sda2"},
        {.root = "/",
         .path = temp.path() / "gdrive",
         .type = "fuse.rclone",
         .source = "gdrive:Photos"}};

    EXPECT_EQ(SyncClients::folders(places, mounts),
              (std::vector<CloudProvider>{{"Nextcloud", home + "/Work cloud", false},
                                          {"ownCloud", home + "/ownCloud", false},
                                          {"Dropbox", home + "/Dropbox (Personal)", false},
                                          {"Syncthing", home + "/Sync", false},
                                          {"Syncthing", home + "/Shared", false},
                                          {"gdrive (rclone)", temp.string() + "/gdrive", false}}))
        << "folders that are gone, relative and listed twice are left out";
    std::string bare = files.folder("bare");
    EXPECT_TRUE(SyncClients::folders({bare, bare, bare}, {}).empty()) << "no settings, none";

    // A relative XDG folder does not count: the home's default is used instead.
    std::string config = std::getenv("XDG_CONFIG_HOME"), state = std::getenv("XDG_STATE_HOME");
    ::setenv("XDG_CONFIG_HOME", "relative/config", 1);
    ::setenv("XDG_STATE_HOME", "/elsewhere/state", 1);
    SyncClients::Places defaults = SyncClients::Places::of("/home/ann");
    ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    ::setenv("XDG_STATE_HOME", state.c_str(), 1);
    EXPECT_EQ(defaults.config, "/home/ann/.config");
    EXPECT_EQ(defaults.state, "/elsewhere/state");
}

TEST(CloudStorage, DisplayNamesComeFromTheAppPartAndTheAccount) {
    EXPECT_EQ(CloudStorage::displayName("GoogleDrive-Personal"), "Google Drive (Personal)");
    EXPECT_EQ(CloudStorage::displayName("Dropbox"), "Dropbox");
    EXPECT_EQ(CloudStorage::displayName("Acme-Work"), "Acme (Work)");
    EXPECT_EQ(CloudStorage::displayName("pCloudDrive"), "pCloud");
    EXPECT_EQ(CloudStorage::displayName("SynologyDrive"), "Synology Drive");
    EXPECT_EQ(CloudStorage::displayName("Box-Team-Shared"), "Box (Team-Shared)")
        << "split once, at the first dash";
    EXPECT_EQ(CloudStorage::displayName("-Work"), "Work");
    EXPECT_EQ(CloudStorage::displayName("Sync-"), "Sync");
    EXPECT_EQ(CloudStorage::displayName("-"), "-");
}

namespace {

constexpr int64_t MB = 1'000'000;
const std::string kHome = "/home/u";
const Date kNow = dateFromSecondsSince1970(1'750'000'000);
const CloudProvider kDrive{"Nextcloud", kHome + "/Nextcloud", false};

struct OnlineOnlyTest : ::testing::Test {
    test::SyntheticTree tree{"/"};
    test::FakeMachine machine;
    CloudOnlineOnlyDetector detector;

    OnlineOnlyTest() {
        detector.canMakeOnlineOnly = [](const CloudProvider&) { return true; };
    }

    std::vector<Candidate> candidates() {
        AdvisorContext context = machine.context(tree.root(), kHome, kNow);
        context.cloudProviders = [] { return std::vector<CloudProvider>{kDrive}; };
        return detector.candidates(context);
    }
};

} // namespace

TEST_F(OnlineOnlyTest, IdleFoldersAndFilesAreProposedWholeWhereTheyCanBeMadeOnlineOnly) {
    std::string path = kDrive.root + "/Project";
    tree.file(path + "/a.mov", 200 * MB, 180 * MB, kNow - 24h * 45);
    tree.file(path + "/b.mov", 100 * MB, 100 * MB, kNow - 24h * 50);
    tree.file(kDrive.root + "/Film.mkv", 900 * MB, std::nullopt, kNow - 24h * 800);
    auto found = candidates();
    EXPECT_EQ(summaries(found),
              (std::vector<std::string>{
                  "cloud-online-only:/home/u/Nextcloud/Film.mkv | Film.mkv | cloud, No loss | "
                  "makeOnlineOnly | 900000000 | location: Stays in Nextcloud, downloads when opened"
                  " | lastUsed: Not opened in 2 years | confidence 0.95 | download 0.09 | Kept in "
                  "Nextcloud. Removing the downloaded copy frees the space on this computer; this "
                  "file stays in Nextcloud and downloads again when opened.",
                  "cloud-online-only:/home/u/Nextcloud/Project | Project | cloud, No loss | "
                  "makeOnlineOnly | 280000000/300000000 | location: Stays in Nextcloud, downloads "
                  "when opened | lastUsed: Not opened in 6 weeks | confidence 0.95 | download 0.028"
                  " | Kept in Nextcloud. Removing the downloaded copy frees the space on this "
                  "computer; these files stay in Nextcloud and download again when opened."}));
    EXPECT_EQ(found[0].action, AdvisorAction::makeOnlineOnly(found[0].paths(), kDrive));
    detector.canMakeOnlineOnly = CloudOnlineOnlyDetector().canMakeOnlineOnly;
    EXPECT_TRUE(candidates().empty()) << "Linux sync clients offer no way to do it";
}

TEST_F(OnlineOnlyTest, ARecentlyUsedFolderIsSearchedForIdleItemsTwoLevelsDown) {
    std::string work = kDrive.root + "/Work";
    tree.file(work + "/Old/archive.zip", 400 * MB, std::nullopt, kNow - 24h * 100);
    tree.file(work + "/Old/Older/deep.zip", 300 * MB, std::nullopt, kNow - 24h * 100);
    tree.file(work + "/today.key", 300 * MB, std::nullopt, kNow - 24h * 100);
    machine.lastUsedDates[work + "/today.key"] = kNow - 24h;
    tree.file(kDrive.root + "/small.iso", 150 * MB, std::nullopt, kNow - 24h * 900);
    auto found = candidates();
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].paths(), std::vector<std::string>{work + "/Old"});
    EXPECT_EQ(found[0].evidence[1].text, "Not opened in 3 months");

    detector.maxDepth = 1;
    EXPECT_TRUE(candidates().empty());
}

TEST_F(OnlineOnlyTest, TheDateBudgetBoundsHowFarAFolderIsSearchedForUse) {
    std::string folder = kDrive.root + "/Shared";
    tree.file(folder + "/a", 100 * MB, std::nullopt, kNow - 24h * 400);
    tree.file(folder + "/b", 90 * MB, std::nullopt, kNow - 24h * 400);
    tree.file(folder + "/c", 80 * MB, std::nullopt, kNow - 24h * 400);
    machine.lastUsedDates[folder + "/c"] = kNow - 24h;
    machine.lastUsedDates[folder] = kNow - 24h * 400;
    detector.dateBudget = 3;
    auto found = candidates();
    ASSERT_EQ(found.size(), 1u) << "the folder, a and b are read; c's recent use is not";
    EXPECT_EQ(found[0].evidence[1].text, "Not opened in over a year");
    detector.dateBudget = 4;
    EXPECT_TRUE(candidates().empty());
}

TEST(OnlineOnly, IdleTimesReadInWeeksMonthsAndYears) {
    EXPECT_EQ(CloudOnlineOnlyDetector::idleText(0), "1 weeks");
    EXPECT_EQ(CloudOnlineOnlyDetector::idleText(59), "8 weeks");
    EXPECT_EQ(CloudOnlineOnlyDetector::idleText(60), "2 months");
    EXPECT_EQ(CloudOnlineOnlyDetector::idleText(364), "12 months");
    EXPECT_EQ(CloudOnlineOnlyDetector::idleText(365), "over a year");
    EXPECT_EQ(CloudOnlineOnlyDetector::idleText(729), "over a year");
    EXPECT_EQ(CloudOnlineOnlyDetector::idleText(730), "2 years");
}
