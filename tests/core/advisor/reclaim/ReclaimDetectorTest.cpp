#include "advisor/reclaim/ReclaimDetector.h"

#include "core/advisor/CandidateSummary.h"
#include "platform/Trash.h"
#include "support/FakeMachine.h"
#include "support/ScannedTree.h"
#include "support/SyntheticTree.h"
#include "support/TemporaryFolder.h"
#include "support/TrashRecords.h"
#include "support/TreeBuilder.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace tavelin;
using namespace std::chrono_literals;
using Kind = Evidence::Kind;
using test::summaries;
using test::summary;

namespace {

constexpr int64_t MB = 1'000'000;
constexpr int64_t GB = 1'000'000'000;
const std::string kHome = "/home/u";
const Date kNow = dateFromSecondsSince1970(1'750'000'000);

struct ReclaimDetectorTest : ::testing::Test {
    test::SyntheticTree tree{"/"};
    test::FakeMachine machine;

    std::vector<Candidate> candidates() {
        return ReclaimDetector().candidates(machine.context(tree.root(), kHome, kNow));
    }

    static std::string summaryOf(const std::vector<Candidate>& found, const std::string& id) {
        auto match = std::ranges::find(found, id, &Candidate::id);
        return match == found.end() ? "no candidate " + id : summary(*match);
    }
};

} // namespace

// Items in the Trash are its items: not its own folders, which hold blocks once it was used.
// The Trash a disk keeps at the top of a btrfs subvolume, where items from there go, counts too.
TEST_F(ReclaimDetectorTest, TheTrashIsOneLosslessStepForTheTrashesOfTheDiskThatHoldSomething) {
    std::string trash = std::string(std::getenv("XDG_DATA_HOME")) + "/Trash";
    std::string volume = "/home/u/volume/.Trash-" + std::to_string(::getuid());
    for (const char* part : {"/files", "/info"}) {
        tree.folder(trash + part, 4096);
        machine.ownSizes[trash + part] = 4096;
    }
    EXPECT_TRUE(candidates().empty()) << "a used Trash that was emptied offers nothing";

    tree.folder(volume + "/files/app/node_modules", 1 * GB);
    machine.files.insert(volume + "/files/app/package.json");
    tree.file(volume + "/info/app.trashinfo", 4096);
    tree.folder(trash + "/files/a", 2 * GB);
    auto found = candidates();
    EXPECT_EQ(summaries(found),
              std::vector<std::string>{
                  "reclaim:trash:" + trash +
                  " | Trash | trash, No loss | emptyTrash | 3000004096 | note: You already deleted "
                  "these | confidence 1 | Items you already deleted. Emptying the Trash is what "
                  "gives their space back. The Trashes of other disks aren’t included."})
        << "nothing inside a Trash is offered again";
    EXPECT_EQ(found[0].action, AdvisorAction::emptyTrash({trash, volume}));
}

// On ext4 each folder owns blocks of its own, so a Trash that was used once never measures 0.
TEST(ReclaimDetectorOnDisk, AUsedButEmptyTrashIsNoStepAndItemsCountWithTheirInfoFiles) {
    test::clearHomeTrash();
    std::string home = std::getenv("HOME");
    test::TemporaryFolder folder;
    test::TreeBuilder tree(folder.path());
    auto now = std::chrono::system_clock::now();
    auto trashStep = [&]() -> std::optional<Candidate> {
        auto root = test::scannedTree(home);
        for (Candidate& candidate :
             ReclaimDetector().candidates(AdvisorContext::live(root, home, now)))
            if (candidate.detector == "reclaim:trash")
                return std::move(candidate);
        return std::nullopt;
    };
    ASSERT_EQ(platform::moveToTrash(tree.file("old.deb", 100'000), now).error, 0);
    ASSERT_EQ(platform::eraseFromTrash(platform::trashItems(platform::homeTrash())->at(0)), 0);
    EXPECT_EQ(trashStep(), std::nullopt);

    std::string trashed = platform::moveToTrash(tree.file("new.deb", 100'000), now).trashed;
    auto step = trashStep();
    ASSERT_TRUE(step);
    EXPECT_EQ(step->freed,
              test::allocatedBytes(trashed) + test::allocatedBytes(test::infoFileOf(trashed)));
}

TEST_F(ReclaimDetectorTest, BuildDataUsedThisWeekCostsMoreToRebuild) {
    const std::string data = "/home/u/Library/Developer/Xcode/DerivedData/";
    tree.folder(data + "Shop-abc", 3 * GB, 3 * GB, kNow - 24h);
    tree.folder(data + "Old-def", 500 * MB, 100 * MB, kNow - 24h * 30);
    EXPECT_EQ(summaries(candidates()),
              (std::vector<std::string>{
                  "reclaim:derived-data:/home/u/Library/Developer/Xcode/DerivedData/Shop-abc | "
                  "Xcode Build Data: Shop-abc | developer, Rebuilt | trash | 3000000000 | lastUsed:"
                  " Used this week | rebuild: Rebuilt in about 40 min | confidence 1 | minutes 40 |"
                  " Build products and indexes (DerivedData). Xcode rebuilds them on the next "
                  "build.",
                  "reclaim:derived-data:/home/u/Library/Developer/Xcode/DerivedData/Old-def | Xcode"
                  " Build Data: Old-def | developer, Rebuilt | trash | 100000000/500000000 | "
                  "rebuild: Rebuilt in about 2 min | sharing: 400 MB shared with copies | "
                  "confidence 1 | minutes 2 | Build products and indexes (DerivedData). Xcode "
                  "rebuilds them on the next build."}));
}

TEST_F(ReclaimDetectorTest, RecentUseCountsOnlyForProjectsAndDeveloperFolders) {
    tree.folder("/home/u/.cache/app", 2 * GB, 2 * GB, kNow - 1h);
    tree.folder("/home/u/code/app/node_modules", 1 * GB, 1 * GB, kNow - 1h);
    machine.files.insert("/home/u/code/app/package.json");
    machine.files.insert("/home/u/code/app/.git");
    EXPECT_EQ(summaries(candidates()),
              (std::vector<std::string>{
                  "reclaim:dev-caches:/home/u/.cache/app | Download Caches | caches, Rebuilt | "
                  "trash | 2000000000 | rebuild: Downloaded again when needed | confidence 1 | "
                  "download 2 | Package and model downloads in ~/.cache. Downloaded again when "
                  "needed.",
                  "reclaim:node-modules:/home/u/code/app/node_modules | Node Modules | developer, "
                  "Rebuilt | trash | 1000000000 | lastUsed: Used this week | rebuild: Rebuilt in "
                  "about 40 min | project /home/u/code/app (code) | confidence 1 | minutes 40 | "
                  "download 2 | JavaScript dependencies. Reinstalled with npm, yarn or pnpm "
                  "install."}));
}

TEST_F(ReclaimDetectorTest, ReviewRowsAskTheUserAndBlockedItemsSayWhy) {
    Date monthAgo = kNow - 24h * 30;
    tree.file("/home/u/.nvm/versions/node/v18.20.0/bin/node", 100 * MB, std::nullopt, monthAgo);
    tree.file("/home/u/.nvm/versions/node/v18.20.0/lib/npm.tar", 200 * MB, std::nullopt,
              monthAgo - 24h);
    machine.lastUsedDates["/home/u/.nvm/versions/node/v18.20.0"] = kNow - 24h * 200;
    tree.folder("/home/u/.nvm/versions/node/v22.1.0", 200 * MB, std::nullopt, monthAgo);
    machine.lastUsedDates["/home/u/.nvm/versions/node/v22.1.0"] = kNow - 24h * 10;
    tree.folder("/home/u/games/Kart/Library", 1 * GB);
    tree.folder("/home/u/games/Kart/Assets", 3 * GB);
    tree.folder("/home/u/games/Kart/ProjectSettings", 1 * MB);
    machine.files.insert("/home/u/games/Kart/Temp/UnityLockfile");

    // Toolchains in use: rustup's default and overrides, pyenv's global version, and the pins
    // of projects in the tree (a repository, a Cargo project without one).
    const std::string rust = "/home/u/.rustup/toolchains/";
    const std::string python = "/home/u/.pyenv/versions/";
    const std::pair<std::string, std::optional<std::string>> toolchains[] = {
        {rust + "stable-x86_64-unknown-linux-gnu", "rustup’s default toolchain"},
        {rust + "nightly-x86_64-unknown-linux-gnu", "Used by cli"},
        {rust + "nightly-2024-05-01-x86_64-unknown-linux-gnu", "Used by old and sub"},
        {rust + "1.79.0-x86_64-unknown-linux-gnu", "Used by engine"},
        {rust + "1.70.0-x86_64-unknown-linux-gnu", std::nullopt},
        {python + "3.12.4", "pyenv’s global version"},
        {python + "3.11.9", "Used by site"},
        {python + "3.10.14", std::nullopt},
        {python + "3.1", std::nullopt},
    };
    for (const auto& [path, reason] : toolchains)
        tree.folder(path, 400 * MB, std::nullopt, monthAgo);
    machine.texts["/home/u/.rustup/settings.toml"] =
        "version = \"12\"\ndefault_toolchain = \"stable-x86_64-unknown-linux-gnu\"\n\n"
        "[overrides]\n\"/home/u/code/old\" = \"nightly-2024-05-01-x86_64-unknown-linux-gnu\"\n";
    tree.folder("/home/u/code/engine/.git", 1 * MB);
    machine.texts["/home/u/code/engine/rust-toolchain.toml"] =
        "[toolchain]\nchannel = \"1.79.0\"\n";
    machine.texts["/home/u/code/engine/sub/rust-toolchain"] = "nightly-2024-05-01\n";
    tree.folder("/home/u/code/engine/sub/.git", 1 * MB);
    tree.folder("/home/u/code/cli/target", 50 * MB);
    machine.files.insert("/home/u/code/cli/Cargo.toml");
    machine.texts["/home/u/code/cli/rust-toolchain"] = "# pinned\nnightly\n";
    machine.texts["/home/u/.pyenv/version"] = "3.12.4\n";
    tree.folder("/home/u/code/site/.git", 1 * MB);
    machine.texts["/home/u/code/site/.python-version"] = "3.11\n";
    machine.texts["/home/u/elsewhere/.python-version"] = "3.10.14\n";

    auto found = candidates();
    EXPECT_EQ(summaryOf(found, "reclaim:node-versions:/home/u/.nvm/versions/node/v18.20.0"),
              "reclaim:node-versions:/home/u/.nvm/versions/node/v18.20.0 | Node.js Versions "
              "(nvm): v18.20.0 | developer, Your call | trash | 300000000 | lastUsed: Last "
              "changed 4 weeks ago | count: 2 files | confidence 0.7 | value 0.5 | Node "
              "versions installed with nvm. Keep the ones your projects use.")
        << "no rebuild line for the user's own call, but what it holds and when it last changed";
    EXPECT_THAT(summaryOf(found, "reclaim:node-versions:/home/u/.nvm/versions/node/v22.1.0"),
                testing::HasSubstr("lastUsed: Last used 10 days ago"));
    EXPECT_EQ(summaryOf(found, "reclaim:unity-library:/home/u/games/Kart/Library"),
              "reclaim:unity-library:/home/u/games/Kart/Library | Unity Import Caches | "
              "developer, Rebuilt | trash | 1000000000 | rebuild: Rebuilt in about 15 min | "
              "project /home/u/games/Kart (Kart) | blocked: Unity has this project open | "
              "confidence 1 | minutes 15 | Each project’s Library folder: imported assets and "
              "build caches. Unity rebuilds it when the project next opens, which can take a "
              "long time for big projects.");

    for (const auto& [path, reason] : toolchains) {
        SCOPED_TRACE(path);
        auto match = std::ranges::find_if(
            found, [&](const Candidate& c) { return c.paths() == std::vector{path}; });
        ASSERT_NE(match, found.end());
        EXPECT_EQ(match->blocked, reason);
        EXPECT_FALSE(match->evidence.empty());
    }
}

TEST(ReclaimDetectorTexts, MinutesReadAsMinutesThenHours) {
    EXPECT_EQ(ReclaimDetector::minutes(4), "4 min");
    EXPECT_EQ(ReclaimDetector::minutes(2.5), "3 min");
    EXPECT_EQ(ReclaimDetector::minutes(59.6), "60 min");
    EXPECT_EQ(ReclaimDetector::minutes(60), "1.0 h");
    EXPECT_EQ(ReclaimDetector::minutes(90), "1.5 h");
}

TEST(ReclaimDetectorTexts, EstimatesGrowWithTheSizeWhereTheRuleSaysSo) {
    EXPECT_EQ(ReclaimDetector::category("no-such-rule"), AdvisorCategory::developer);
    using R = ReclaimDetector::Rebuild;
    EXPECT_EQ(ReclaimDetector::rebuild("unity-library", 1), (R{15, 0}));
    EXPECT_EQ(ReclaimDetector::rebuild("unity-library", 4), (R{40, 0}));
    EXPECT_EQ(ReclaimDetector::rebuild("firmware", 7), (R{0, 7}));
}

// Each row's title tells which rule took the folder: the named caches before the row for
// the rest of ~/.cache, and nothing around or beside what a rule names.
TEST_F(ReclaimDetectorTest, TheLinuxRowsFindWhatLinuxUsersAccumulate) {
    const std::pair<std::string, std::string> expected[] = {
        {"/home/u/.m2/repository", "Maven Repository"},
        {"/home/u/.local/share/pnpm/store", "pnpm Store"},
        {"/home/u/Android/Sdk/system-images/android-34", "Android System Images"},
        {"/home/u/Unity/Hub/Editor/2022.3.1f1", "Unity Editor Versions"},
        {"/home/u/.config/Code/CachedData", "VS Code Caches: CachedData"},
        {"/home/u/.config/Code/Cache", "VS Code Caches: Cache"},
        {"/home/u/.var/app/org.gimp.GIMP/cache", "Flatpak App Caches"},
        {"/home/u/.var/app/org.mozilla.firefox/cache", "Firefox Cache"},
        {"/home/u/.cache/thumbnails", "Thumbnails"},
        {"/home/u/.cache/google-chrome", "Chrome Cache"},
        {"/home/u/snap/chromium/common/.cache/chromium", "Chromium Cache"},
        {"/home/u/.cache/fontconfig", "Font Cache"},
        {"/home/u/.cache/mesa_shader_cache_db", "Shader Cache"},
        {"/home/u/.cache/pip", "pip Cache"},
        {"/home/u/.cache/yarn", "Yarn Cache"},
        {"/home/u/.cache/go-build", "Go Build Cache"},
        {"/home/u/.cache/JetBrains/PyCharm2024.1", "JetBrains IDE Caches: PyCharm2024.1"},
        {"/home/u/.cache/JetBrains/IntelliJIdea2023.3", "JetBrains IDE Caches: IntelliJIdea2023.3"},
        {"/home/u/.cache/shotwell", "Shotwell Thumbnails"},
        {"/home/u/.cache/darktable/mipmaps-1a2b3c.d", "darktable Previews"},
        {"/home/u/Pictures/thumbnails-digikam.db", "digiKam Thumbnails"},
        {"/home/u/.var/app/com.spotify.Client/cache/spotify", "Spotify Cache"},
        {"/home/u/.cache/some-app", "Download Caches"},
        {"/home/u/.rustup/toolchains/stable-x86_64-unknown-linux-gnu", "Rust Toolchains (rustup)"},
        {"/home/u/.local/share/containers/storage", "Podman Storage"},
        {"/home/u/.local/share/docker", "Docker Storage"},
        {"/home/u/VirtualBox VMs/Debian \"test\"", "Virtual Machines (VirtualBox)"},
        {"/home/u/.local/share/libvirt/images/win11.qcow2", "Virtual Machines (libvirt)"},
        {"/home/u/.local/share/gnome-boxes/images/fedora", "Virtual Machines (Boxes)"},
        {"/home/u/.local/share/Steam/steamapps/common/Portal 2", "Steam Games"},
        {"/home/u/.steam/debian-installation/steamapps/common/Dota\n2", "Steam Games"},
        {"/home/u/.var/app/com.valvesoftware.Steam/.local/share/Steam/steamapps/common/Hades",
         "Steam Games"},
        {"/home/u/code/api/.venv", "Python Virtual Environments"},
    };
    int64_t size = 100 * MB;
    for (const auto& [path, title] : expected)
        tree.folder(path, size += MB, std::nullopt, kNow - 24h * 30);
    tree.folder("/home/u/.config/Code/User", 50 * MB);
    tree.folder("/home/u/.var/app/org.gimp.GIMP/data", 50 * MB);
    tree.folder("/home/u/.cache/darktable/library.db", 50 * MB);
    tree.folder("/home/u/.cache/tiny", 999'999);
    machine.files.insert("/home/u/code/api/pyproject.toml");

    auto found = candidates();
    EXPECT_EQ(found.size(), std::size(expected))
        << "nothing else: not User, not an app's data, not darktable's library, not the "
           "JetBrains folder around its versions, nothing under 1 MB";
    for (const auto& [path, title] : expected) {
        SCOPED_TRACE(path);
        auto match = std::ranges::find_if(
            found, [&](const Candidate& c) { return c.paths() == std::vector{path}; });
        ASSERT_NE(match, found.end());
        EXPECT_EQ(match->title, title);
        EXPECT_TRUE(match->id.starts_with(match->detector + ":"));
        EXPECT_EQ(match->evidence.size(), match->rung == Rung::rebuildable ? 1u : 2u)
            << "how it comes back, or when it was last used and what it holds";
    }
}
