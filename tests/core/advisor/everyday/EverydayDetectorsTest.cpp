#include "advisor/everyday/EverydayDetectors.h"

#include "advisor/everyday/InstallersDetector.h"
#include "advisor/everyday/LargeFilesDetector.h"
#include "advisor/everyday/MediaDownloadsDetector.h"
#include "advisor/everyday/OldDownloadsDetector.h"
#include "advisor/everyday/ScreenshotsDetector.h"
#include "advisor/everyday/UnusedAppsDetector.h"
#include "core/advisor/CandidateSummary.h"
#include "support/FakeMachine.h"
#include "support/SyntheticTree.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <gtest/gtest.h>
#include <map>
#include <set>

using namespace tavelin;
using namespace std::chrono_literals;
using Kind = Evidence::Kind;
using App = platform::InstalledApp;
using test::summaries;
using test::summary;

namespace {

constexpr int64_t MB = 1'000'000;
constexpr int64_t GB = 1'000'000'000;
const std::string kHome = "/home/u";
const Date kNow = dateFromSecondsSince1970(1'750'000'000); // mid June 2025

Date daysAgo(int days) {
    return kNow - 24h * days;
}

struct EverydayDetectorsTest : ::testing::Test {
    test::SyntheticTree tree{"/"};
    test::FakeMachine machine;

    Node& file(const std::string& relative, int64_t size, int days,
               std::optional<int64_t> unique = std::nullopt) {
        return tree.file(kHome + "/" + relative, size, unique, daysAgo(days));
    }

    std::vector<Candidate> run(const Detector& detector) {
        return detector.candidates(machine.context(tree.root(), kHome, kNow));
    }

    static std::set<std::string> titles(const std::vector<Candidate>& found) {
        std::set<std::string> names;
        for (const Candidate& candidate : found)
            names.insert(candidate.title);
        return names;
    }
};

} // namespace

// The value falls from 0.6 by 0.06 a doubling of age and 0.03 a doubling of size beyond the
// thresholds (60 days, 20 MB): the movie is four times both.
TEST_F(EverydayDetectorsTest, OldDownloadsAreTheUsersCallButNotInstallersScreenshotsOrThingsInUse) {
    machine.installedNames = {"Firefox"};
    machine.apps = {{.kind = App::Kind::appImage,
                     .name = "Tool",
                     .path = kHome + "/Downloads/apps/Tool.AppImage"}};
    machine.lastUsedDates[kHome + "/Downloads/opened.pdf"] = daysAgo(10);
    file("Downloads/movie.mkv", 80 * MB, 240);
    for (const char* path :
         {"Downloads/tool.zip", "Downloads/Screenshot 2024-01-01.png", "Downloads/opened.pdf",
          "Downloads/firefox-128.0.tar.xz", "Downloads/apps/Tool.AppImage",
          "Downloads/dataset.tar.gz", "Documents/elsewhere.mkv"})
        file(path, 90 * MB, 400);
    file("Downloads/young.mkv", 30 * MB, 59);
    file("Downloads/small.mkv", 20 * MB - 1, 400);
    file("Downloads/exactly.bin", 20 * MB, 60);
    auto found = run(OldDownloadsDetector());
    EXPECT_EQ(titles(found), (std::set<std::string>{"dataset.tar.gz", "exactly.bin", "movie.mkv"}));
    EXPECT_EQ(summary(*std::ranges::find(found, "movie.mkv", &Candidate::title)),
              "downloads-old:/home/u/Downloads/movie.mkv | movie.mkv | downloads, Your call | "
              "trash | 80000000 | lastUsed: Downloaded 8 months ago | confidence 0.8 | value "
              "0.42 | In your Downloads folder and untouched for 8 months. Moves to the Trash, "
              "so you can put it back until you empty it.");
}

TEST_F(EverydayDetectorsTest, OldDownloadFoldersSayHowManyFilesAndWhenLastOpenedInTheUsersFolder) {
    machine.userFolders.downloads = "Téléchargements";
    file("Téléchargements/photos/a.jpg", 10 * MB, 200);
    file("Téléchargements/photos/b.jpg", 10 * MB, 210);
    file("Téléchargements/photos/c.jpg", 10 * MB, 220, 1 * MB);
    file("Downloads/ignored.mkv", 90 * MB, 400);
    machine.lastUsedDates[kHome + "/Téléchargements/photos"] = daysAgo(90);
    EXPECT_EQ(summaries(run(OldDownloadsDetector())),
              (std::vector<std::string>{
                  "downloads-old:/home/u/Téléchargements/photos | photos | downloads, Your call | "
                  "trash | 21000000/30000000 | lastUsed: Not opened since March | count: 3 files "
                  "inside | sharing: 9 MB shared with copies | confidence 0.8 | value 0.547353 | In"
                  " your Downloads folder and untouched for 3 months. Moves to the Trash, so you "
                  "can put it back until you empty it."}));

    // An absolute folder is taken as it is, and one turned off holds nothing.
    tree.file("/data/dl/movie.mkv", 90 * MB, std::nullopt, daysAgo(400));
    tree.file("/data/dl/old.deb", 90 * MB, std::nullopt, daysAgo(400));
    file("Downloads/ignored.deb", 90 * MB, 400);
    machine.userFolders.downloads = "/data/dl";
    EXPECT_EQ(titles(run(OldDownloadsDetector())), std::set<std::string>{"movie.mkv"});
    EXPECT_EQ(titles(run(InstallersDetector())), std::set<std::string>{"old.deb"});

    machine.userFolders.downloads = std::nullopt;
    EXPECT_TRUE(run(OldDownloadsDetector()).empty()) << "a folder turned off holds nothing";
    EXPECT_TRUE(run(InstallersDetector()).empty());
}

TEST(InstallersDetectorKind, NamesEachKindOfInstaller) {
    using Installer = InstallersDetector::Kind;
    const std::pair<std::string, std::optional<Installer>> cases[] = {
        {"a.DEB", Installer{"package"}},
        {"a.AppImage", Installer{"app image"}},
        {"a.tgz", Installer{"archive", true}},
        {"a.TAR.GZ", Installer{"archive", true}},
        {"a.tar.xz", Installer{"archive", true}},
        {"a.tar", std::nullopt},
        {".tgz", std::nullopt},
        {"notes.txt", std::nullopt},
    };
    for (const auto& [name, kind] : cases)
        EXPECT_EQ(InstallersDetector::kind(name), kind) << name;
}

// An installer of an installed app can be downloaded again; any other is the user's call once
// a month old, its value falling from 0.35 with age and size.
TEST_F(EverydayDetectorsTest, InstallersOfInstalledAppsAreRebuildableAndOthersTheUsersCall) {
    machine.installedNames = {"Code", "com.visualstudio.code"};
    machine.apps = {
        {.kind = App::Kind::appImage, .name = "Used", .path = kHome + "/Downloads/Used.AppImage"}};
    file("Downloads/code_1.91.1_amd64.deb", 100 * MB, 1);
    file("Downloads/Mystery-2.0.AppImage", 50 * MB, 45);
    file("Downloads/Setup.pkg", 50 * MB, 100);
    file("Downloads/disk.dmg", 50 * MB, 30);
    file("Downloads/young.dmg", 50 * MB, 29);
    file("Downloads/tiny.rpm", 1 * MB - 1, 100);
    file("Downloads/data.tar.gz", 50 * MB, 100);
    file("Downloads/Used.AppImage", 50 * MB, 100);
    auto found = run(InstallersDetector());
    std::ranges::sort(found, {}, &Candidate::title);
    EXPECT_EQ(summaries(found),
              (std::vector<std::string>{
                  "installers:/home/u/Downloads/Mystery-2.0.AppImage | Mystery-2.0.AppImage | "
                  "downloads, Your call | trash | 50000000 | lastUsed: Downloaded 6 weeks ago | "
                  "confidence 0.7 | value 0.275244 | An app image in Downloads, 6 weeks old. If you"
                  " already installed or unpacked it, it isn't needed any more.",
                  "installers:/home/u/Downloads/Setup.pkg | Setup.pkg | downloads, Your call | "
                  "trash | 50000000 | lastUsed: Downloaded 3 months ago | confidence 0.7 | value "
                  "0.206124 | An installer in Downloads, 3 months old. If you already installed or "
                  "unpacked it, it isn't needed any more.",
                  "installers:/home/u/Downloads/code_1.91.1_amd64.deb | code_1.91.1_amd64.deb | "
                  "downloads, Rebuilt | trash | 100000000 | note: Code is installed | confidence "
                  "0.9 | download 0.1 | The package you installed Code from. Code is already on "
                  "this computer; the developer's website has the package again if you ever need "
                  "it.",
                  "installers:/home/u/Downloads/disk.dmg | disk.dmg | downloads, Your call | trash "
                  "| 50000000 | lastUsed: Downloaded 4 weeks ago | confidence 0.7 | value 0.310342 "
                  "| A disk image in Downloads, 4 weeks old. If you already installed or unpacked "
                  "it, it isn't needed any more."}));
}

TEST_F(EverydayDetectorsTest, OldScreenshotsAndRecordingsFromTheUsersFoldersGoTogether) {
    file("Desktop/Screenshot from 2025-05-01 10-00-00.png", 4 * MB, 42);
    file("Pictures/Screenshots/Screenshot_20250503_101010.png", 4 * MB, 43);
    file("Videos/Screencasts/Screencast from 2025-05-02.webm", 5 * MB, 44);
    file("Videos/Screencasts/Screencast_20250504_101010.mp4", 5 * MB, 41);
    for (const char* path :
         {"Videos/Screencast tutorial for class.mp4",
          "Documents/repo/Screenshot in a repository.png",
          "Documents/.hidden/Screenshot hidden.png",
          "Pictures/Old.photoslibrary/Screenshot packaged.png",
          "Desktop/screenshot in lower case.png", "Desktop/Screenshot notes.txt"})
        file(path, 4 * MB, 100);
    tree.folder(kHome + "/Documents/repo/.git", 1 * MB);
    file("Desktop/Screenshot too new.png", 4 * MB, 29);
    // Screenshots under the large-file threshold are only in the folders' listings: in the
    // user's language, as Flameshot names them, or anything in the screenshot folder.
    auto small = [&](std::string name, int64_t size, int days) {
        return FolderEntry{std::move(name), false, size, size, daysAgo(days)};
    };
    machine.translations[{"gnome-shell", "Screenshot From %s"}] = "Bildschirmfoto vom %s";
    machine.translations[{"gnome-shell", "Screenshots"}] = "Bildschirmfotos";
    machine.translations[{"gnome-screenshot", "Screenshot from %s"}] = "%s";
    machine.listings[kHome + "/Pictures"] = {
        small("Screenshot from 2025-04-01 09-00-00.png", 900'000, 70),
        small("Bildschirmfoto vom 2025-04-02 10-00-00.png", 800'000, 70),
        small("2025-04-03_11-12.png", 400'000, 70),
        small("2025-04-03_11-12_1.png", 300'000, 70),
        small("2025-04-03_11-1.png", 300'000, 70),
        small("holiday.png", 900'000, 70),
        small("Screenshot too new.png", 900'000, 10),
        {"Screenshots", true, 0, 0, daysAgo(70)},
    };
    tree.folder(kHome + "/Pictures/Bildschirmfotos");
    machine.listings[kHome + "/Pictures/Bildschirmfotos"] = {small("capture.png", 600'000, 50)};
    EXPECT_EQ(summaries(run(ScreenshotsDetector())),
              (std::vector<std::string>{
                  "screenshots:/home/u | Old screenshots and screen recordings | photosVideos, Your"
                  " call | trash /home/u/Desktop/Screenshot from 2025-05-01 10-00-00.png "
                  "/home/u/Pictures/Screenshot from 2025-04-01 09-00-00.png "
                  "/home/u/Pictures/Bildschirmfoto vom 2025-04-02 10-00-00.png "
                  "/home/u/Pictures/2025-04-03_11-12.png /home/u/Pictures/2025-04-03_11-12_1.png "
                  "/home/u/Pictures/Bildschirmfotos/capture.png "
                  "/home/u/Pictures/Screenshots/Screenshot_20250503_101010.png "
                  "/home/u/Videos/Screencasts/Screencast from 2025-05-02.webm "
                  "/home/u/Videos/Screencasts/Screencast_20250504_101010.mp4 | 21000000 | count: 7 "
                  "screenshots and 2 recordings | lastUsed: Taken from April to May | confidence "
                  "0.8 | value 0.25 | Screenshots and screen recordings more than 4 weeks old, from"
                  " your Desktop, Documents, Downloads, Pictures and Videos. They move to the "
                  "Trash, so you can put back any you want to keep."}));
}

TEST_F(EverydayDetectorsTest, ScreenshotsWaitUntilTheyAddUpAndCountOnceWhereFoldersNest) {
    machine.userFolders.pictures = "Documents/Pictures";
    file("Documents/Pictures/Screenshot one.png", 4'500'000, 100);
    file("Desktop/Screenshot two.png", 4'500'000, 200);
    EXPECT_TRUE(run(ScreenshotsDetector()).empty()) << "9 MB is not worth a suggestion";

    file("Desktop/Screenshot three.jpg", 1 * MB, 300);
    auto found = run(ScreenshotsDetector());
    ASSERT_EQ(found.size(), 1u) << "10 MB is";
    EXPECT_EQ(found[0].title, "Old screenshots");
    EXPECT_EQ(found[0].paths().size(), 3u);
    EXPECT_EQ(found[0].evidence,
              (std::vector<Evidence>{{Kind::count, "3 screenshots"},
                                     {Kind::lastUsed, "Taken from August 2024 to March"}}));
}

TEST_F(EverydayDetectorsTest, LargeFilesAreOnlyTheUsersOwnOutsideProjectsAndAppData) {
    machine.files.insert(kHome + "/work/wt/.git");
    machine.cloudFolders = {{"Dropbox", kHome + "/Dropbox"}};
    machine.lastUsedDates[kHome + "/Documents/opened.iso"] = daysAgo(30);
    machine.apps = {
        {.kind = App::Kind::appImage, .name = "Tool", .path = kHome + "/Apps/Tool.AppImage"}};
    tree.folder(kHome + "/code/app/.git", 1 * MB);
    tree.folder(kHome + "/Documents/Talk.key", 700 * MB, std::nullopt, daysAgo(400));
    std::set<std::string> wanted{"Movies/old.mkv", "archive.zip", "Downloads/new-folder/inner.iso"};
    for (const std::string& path : wanted)
        file(path, 600 * MB, 400);
    for (const char* path :
         {"Documents/opened.iso", "code/app/big.iso", "work/wt/data.bin", "Downloads/direct.iso",
          "Downloads/old-folder/inner.iso", "Music/Music/Media.localized/song.flac",
          ".hidden/big.bin", "Dropbox/big.zip", "Screenshot 2020.mov", "snap/app/big.img",
          "Android/Sdk/system-images/system.img", "VirtualBox VMs/win/win.vdi",
          "Apps/Tool.AppImage", "Pictures/Lib.photoslibrary/big.jpg"})
        file(path, 600 * MB, 400);
    file("Documents/recent.iso", 600 * MB, 100);
    file("Downloads/new-folder/fresh.txt", 2 * MB, 3);
    file("Documents/small.pdf", 500 * MB - 1, 400);
    std::set<std::string> found;
    for (const Candidate& candidate : run(LargeFilesDetector()))
        found.insert(candidate.paths().front().substr(kHome.size() + 1));
    wanted.insert("Documents/Talk.key");
    EXPECT_EQ(found, wanted);
}

TEST_F(EverydayDetectorsTest, ALargeFileSaysWhereItIsAndWhenItLastChanged) {
    file("Movies/old.mkv", 600 * MB, 365, 100 * MB);
    file("big.tar", 600 * MB, 400);
    machine.lastUsedDates[kHome + "/big.tar"] = daysAgo(200);
    auto found = run(LargeFilesDetector());
    std::ranges::sort(found, {}, &Candidate::title);
    EXPECT_EQ(summaries(found),
              (std::vector<std::string>{
                  "large-files:/home/u/big.tar | big.tar | documents, Your call | trash | 600000000"
                  " | lastUsed: Not opened since November 2024 | location: In your home folder | "
                  "confidence 0.7 | value 0.582989 | A large file you haven't opened in 6 months. "
                  "Moves to the Trash, so you can put it back until you empty it.",
                  "large-files:/home/u/Movies/old.mkv | old.mkv | photosVideos, Your call | trash |"
                  " 100000000/600000000 | lastUsed: Last changed 12 months ago | location: In "
                  "Movies | sharing: 500 MB shared with copies | confidence 0.7 | value 0.530915 | "
                  "A large file you haven't opened in 12 months. Moves to the Trash, so you can put"
                  " it back until you empty it."}));
}

TEST_F(EverydayDetectorsTest, UnusedAppsGoTheWayTheyCameWithTheirOwnEntries) {
    const std::string flatpak = kHome + "/.local/share/flatpak/app/org.x.Big";
    machine.apps = {
        {.kind = App::Kind::flatpak,
         .name = "Big Editor",
         .id = "org.x.Big",
         .path = flatpak,
         .executable = flatpak + "/current/active/files/bin/big",
         .origin = "flathub",
         .uninstall = {"/usr/bin/flatpak", "uninstall", "--user", "--noninteractive", "org.x.Big"}},
        {.kind = App::Kind::appImage,
         .name = "Tool",
         .path = kHome + "/Apps/Tool.AppImage",
         .executable = kHome + "/Apps/Tool.AppImage",
         .desktopEntry = kHome + "/.local/share/applications/tool.desktop"},
        {.kind = App::Kind::appImage,
         .name = "Fresh",
         .path = kHome + "/Apps/Fresh.AppImage",
         .executable = kHome + "/Apps/Fresh.AppImage"},
        {.kind = App::Kind::optFolder,
         .name = "Opt Tool",
         .path = "/opt/tool",
         .executable = "/opt/tool/bin/tool"},
        {.kind = App::Kind::appImage, .name = "Small", .path = kHome + "/Apps/Small.AppImage"},
        {.kind = App::Kind::optFolder, .name = "Ghost", .path = "/opt/ghost"},
    };
    tree.file(flatpak + "/current/active/files/bin/big", 300 * MB, std::nullopt, daysAgo(400));
    machine.lastUsedDates[flatpak + "/current/active/files/bin/big"] = daysAgo(200);
    file("Apps/Tool.AppImage", 250 * MB, 500);
    machine.lastUsedDates[kHome + "/Apps/Tool.AppImage"] = daysAgo(365);
    file("Apps/Fresh.AppImage", 250 * MB, 500);
    machine.lastUsedDates[kHome + "/Apps/Fresh.AppImage"] = daysAgo(10);
    tree.file("/opt/tool/bin/tool", 400 * MB, std::nullopt, daysAgo(400));
    file("Apps/Small.AppImage", 200 * MB - 1, 500);

    EXPECT_EQ(summaries(run(UnusedAppsDetector())),
              (std::vector<std::string>{
                  "apps-unused:/home/u/.local/share/flatpak/app/org.x.Big | Big Editor | apps, Your"
                  " call | runTool /usr/bin/flatpak uninstall --user --noninteractive org.x.Big "
                  "(flatpak uninstall --user --noninteractive org.x.Big) | 300000000 | lastUsed: "
                  "Last opened November 2024 | rebuild: Free to download again from flathub | "
                  "confidence 0.8 | value 0.173331 | You haven't opened Big Editor in 6 months. "
                  "Flatpak uninstalls it; its settings and documents stay.",
                  "apps-unused:/home/u/Apps/Tool.AppImage | Tool | apps, Your call | trash "
                  "/home/u/Apps/Tool.AppImage /home/u/.local/share/applications/tool.desktop | "
                  "250000000 | lastUsed: Last opened June 2024 | confidence 0.8 | value 0.279148 | "
                  "You haven't opened Tool in 12 months. Moves to the Trash; its settings and "
                  "documents stay.",
                  "apps-unused:/opt/tool | Opt Tool | apps, Your call | trash | 400000000 | "
                  "lastUsed: Never opened | confidence 0.6 | value 0.25088 | Opt Tool has never "
                  "been opened on this computer as far as the system knows. Moves to the Trash; its"
                  " settings and documents stay."}))
        << "without access times an app's own date counts";
}

TEST_F(EverydayDetectorsTest, PodcastEpisodesAreTheUsersCallPerShow) {
    file("gPodder/Downloads/Tech Talk/ep1.mp3", 80 * MB, 30);
    file("gPodder/Downloads/Tech Talk/ep2.mp3", 70 * MB, 20);
    file("gPodder/Downloads/Short/ep1.mp3", 90 * MB, 20);
    file(".var/app/org.gnome.Podcasts/data/gnome-podcasts/Downloads/News/a.ogg", 120 * MB, 5);
    file(".local/share/KDE/kasts/enclosures/1234", 60 * MB, 5);
    file(".local/share/KDE/kasts/enclosures/5678", 60 * MB, 5);
    file("Music/Late Night/ep 1.mp3", 100 * MB, 9);
    file("Music/Late Night/ep 2.mp3", 50 * MB, 9);
    file("Music/Album/song.mp3", 150 * MB, 9);
    machine.texts[kHome + "/.local/share/rhythmbox/rhythmdb.xml"] =
        "<?xml version=\"1.0\"?><rhythmdb version=\"2.0\">"
        "<entry type=\"podcast-post\"><album>Late Night</album>"
        "<location>file:///home/u/Music/Late%20Night/ep%201.mp3</location>"
        "<mountpoint>https://example.com/1.mp3</mountpoint></entry>"
        "<entry type=\"podcast-post\"><album>Late Night</album>"
        "<location>file:///home/u/Music/Late%20Night/ep%202.mp3</location>"
        "<mountpoint>https://example.com/2.mp3</mountpoint></entry>"
        "<entry type=\"podcast-post\"><album>Late Night</album>"
        "<location>https://example.com/3.mp3</location></entry>"
        "<entry type=\"song\"><album>Album</album>"
        "<location>file:///home/u/Music/Album/song.mp3</location></entry></rhythmdb>";
    std::map<std::string, std::vector<std::string>> shows;
    for (const Candidate& found : run(MediaDownloadsDetector())) {
        EXPECT_EQ(found.rung, Rung::review) << found.title;
        EXPECT_EQ(found.category, AdvisorCategory::music) << found.title;
        shows[found.title] = found.paths();
    }
    EXPECT_EQ(shows,
              (std::map<std::string, std::vector<std::string>>{
                  {"Podcast downloads: Tech Talk", {kHome + "/gPodder/Downloads/Tech Talk"}},
                  {"Podcast downloads: News",
                   {kHome + "/.var/app/org.gnome.Podcasts/data/gnome-podcasts/Downloads/News"}},
                  {"Podcast downloads (Kasts)", {kHome + "/.local/share/KDE/kasts/enclosures"}},
                  {"Podcast downloads: Late Night",
                   {kHome + "/Music/Late Night/ep 1.mp3", kHome + "/Music/Late Night/ep 2.mp3"}},
              }))
        << "a show under 100 MB waits; a song is no episode";
}
