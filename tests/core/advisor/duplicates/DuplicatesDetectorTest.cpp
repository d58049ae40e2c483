#include "advisor/duplicates/DuplicatesDetector.h"

#include "executor/Executor.h"
#include "support/BtrfsImage.h"
#include "support/FakeMachine.h"
#include "support/ScannedTree.h"
#include "support/SyntheticTree.h"
#include "support/TemporaryFolder.h"
#include "support/TrashRecords.h"
#include "support/TreeBuilder.h"

#include <atomic>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>
#include <tuple>
#include <unistd.h>

using namespace tavelin;
using Kind = Evidence::Kind;
using platform::FileIdentity;

namespace {

constexpr int64_t KB = 1'000;
const Date kNow = dateFromSecondsSince1970(1'750'000'000);

// Content of `bytes` bytes that differs from other seeds all through.
std::string content(int64_t bytes, int seed) {
    std::string text(static_cast<size_t>(bytes), '\0');
    uint32_t state = 2'654'435'761u * static_cast<uint32_t>(seed + 1);
    for (char& c : text) {
        state = state * 1'664'525u + 1'013'904'223u;
        c = static_cast<char>(state >> 24);
    }
    return text;
}

std::string changedAt(std::string text, size_t at) {
    text[at] = static_cast<char>(text[at] ^ 0x5A);
    return text;
}

// A file of 10 bytes in one block, as the detector's reading of it names it.
DuplicatesDetector::File identified(std::string path, int64_t created, uint64_t inode,
                                    uint32_t links, bool canShare) {
    return {.identity = {.path = std::move(path),
                         .length = 10,
                         .allocated = 4096,
                         .device = 1,
                         .inode = inode,
                         .linkCount = links,
                         .created = {created, 0},
                         .modified = {created, 0},
                         .canShareExtents = canShare}};
}

// A home folder of real files, scanned as the application scans, and a detector run over it
// with thresholds low enough for small test files and two workers.
struct DuplicatesTest : ::testing::Test {
    test::TemporaryFolder temp;
    std::filesystem::path base = temp.path();
    std::string home = (base / "home").string();
    test::TreeBuilder files{home};
    test::FakeMachine machine;
    std::vector<CloudProvider> providers;
    std::function<bool()> isCancelled;
    DuplicatesDetector detector{1, 1, 20'000'000'000};

    AdvisorContext context(const std::string& scanned) {
        AdvisorContext context = machine.context(test::scannedTree(scanned), home, kNow);
        context.cloudProviders = [this] { return providers; };
        context.workers = std::make_shared<WorkerPool>(2);
        context.isCancelled = isCancelled;
        return context;
    }
    std::vector<Candidate> run() { return detector.candidates(context(home)); }
};

} // namespace

TEST_F(DuplicatesTest, IdenticalFilesOnADiskThatCannotShareDataAreTrashedButOne) {
    std::string data = content(300 * KB, 1);
    // Birth times tick with the kernel's coarse clock: copies made apart are told apart.
    auto madeLater = [&](const char* path) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return files.file(path, data);
    };
    std::string first = files.file("Documents/report.pdf", data);
    std::string second = madeLater("Downloads/report.pdf");
    std::string third = madeLater("Desktop/report copy.pdf");
    auto found = run();
    ASSERT_EQ(found.size(), 1u);
    const Candidate& set = found[0];
    int64_t onDisk = test::allocatedBytes(first);
    EXPECT_EQ(
        std::tuple(set.id, set.title, set.rung, set.category, set.paths(), set.freed, set.onDisk),
        std::tuple("duplicates:" + first, "report.pdf", Rung::review, AdvisorCategory::duplicates,
                   std::vector{third, second}, 2 * onDisk, 3 * onDisk))
        << "the earliest made is kept";
    EXPECT_EQ(set.detail, "3 identical copies of this file. This disk can’t store the contents "
                          "once for all of them, so the other copies go to the Trash, from where "
                          "they can be put back.");
    EXPECT_EQ(set.evidence, (std::vector<Evidence>{
                                {Kind::count, "3 identical copies"},
                                {Kind::note, "The oldest stays; the others go to the Trash"},
                                {Kind::location, "In Desktop, Documents, Downloads"},
                            }));
    std::vector<std::pair<std::string, bool>> copies;
    for (const DuplicateCopy& copy : set.copies)
        copies.emplace_back(copy.identity.path, copy.kept);
    EXPECT_EQ(copies, (std::vector<std::pair<std::string, bool>>{
                          {first, true}, {second, false}, {third, false}}))
        << "every copy, oldest first";

    // The user keeps the third copy instead: it is the one left when the step is applied.
    auto chosen = detector.keeping(set, third);
    ASSERT_TRUE(chosen);
    EXPECT_EQ(chosen->id, set.id) << "the tick stays with the set";
    EXPECT_EQ(chosen->title, "report copy.pdf");
    EXPECT_EQ(chosen->action.paths(), (std::vector<std::string>{first, second}));
    EXPECT_EQ(std::get<AdvisorAction::Trash>(chosen->action.value).checked->keep.path, third)
        << "the copies move only while the chosen file is as checked";
    EXPECT_EQ(chosen->freed, set.freed);
    EXPECT_EQ(chosen->evidence[1],
              (Evidence{Kind::note, "The one you chose stays; the others go to the Trash"}));
    EXPECT_FALSE(detector.keeping(set, home + "/elsewhere.pdf"));
    test::clearHomeTrash();
    ActionResult applied = Executor::apply(chosen->action, false, ExecutorEnvironment::live());
    EXPECT_FALSE(applied.error) << *applied.error;
    EXPECT_TRUE(std::filesystem::exists(third));
    EXPECT_FALSE(std::filesystem::exists(first));
    EXPECT_FALSE(std::filesystem::exists(second));
}

TEST_F(DuplicatesTest, FilesOfOneLengthThatDifferAnywhereAreNeverASet) {
    // Small files are read whole at the first look; larger ones are hashed after it.
    for (int64_t size : {100 * KB, 400 * KB}) {
        std::string data = content(size, static_cast<int>(size));
        std::string folder = std::to_string(size) + "/";
        files.file(folder + "a/original", data);
        files.file(folder + "b/first byte", changedAt(data, 0));
        files.file(folder + "c/middle byte", changedAt(data, data.size() / 2));
        files.file(folder + "d/last byte", changedAt(data, data.size() - 1));
        files.file(folder + "e/other", content(size, 3));
    }
    EXPECT_TRUE(run().empty());
}

TEST_F(DuplicatesTest, HardLinksAreOneStoredCopy) {
    std::string data = content(200 * KB, 4);
    files.file("a/one", data);
    files.hardLink("a/one", "b/one link");
    EXPECT_TRUE(run().empty()) << "links of one file free nothing";

    std::string copy = files.file("c/copy", data);
    auto found = detector.find(context(home));
    ASSERT_EQ(found.candidates.size(), 1u);
    EXPECT_EQ(found.candidates[0].action.paths(), (std::vector<std::string>{copy}));
    EXPECT_EQ(found.candidates[0].freed, test::allocatedBytes(copy));
    EXPECT_EQ(found.hashedBytes, 2 * 200 * KB) << "each stored copy is read once";
}

TEST_F(DuplicatesTest, ACopyWithAnotherNameLeftIsNotTrashedSinceThatFreesNothing) {
    std::string data = content(200 * KB, 5);
    files.file("a/kept", data);
    files.file("b/copy", data);
    files.hardLink("b/copy", "c/copy link");
    EXPECT_TRUE(run().empty());
}

TEST_F(DuplicatesTest, ClonesAreLeftOutOfTheMergeAndIndependentCopiesMergeLosslessly) {
    test::BtrfsImage btrfs(base);
    if (!btrfs.mounted())
        GTEST_SKIP() << btrfs.whyNot();
    home = (btrfs.mountPoint() / "home").string();
    test::TreeBuilder onBtrfs(home);
    std::string data = content(2'000 * KB, 6);
    std::string original = onBtrfs.file("Music/take.wav", data);
    std::string clone = onBtrfs.path("Music/take clone.wav");
    ASSERT_EQ(test::runCommand("cp --reflink=always " + test::shellQuoted(original) + " " +
                               test::shellQuoted(clone) + " && sync"),
              0);
    std::string copy = onBtrfs.file("Backup/take.wav", data);

    auto found = run();
    ASSERT_EQ(found.size(), 1u);
    const Candidate& set = found[0];
    EXPECT_EQ(set.rung, Rung::lossless);
    EXPECT_EQ(set.action, AdvisorAction::mergeDuplicates(original, {copy}));
    EXPECT_EQ(set.freed, test::allocatedBytes(copy));
    EXPECT_EQ(set.detail, "3 identical copies of this file. Merging them keeps every copy where "
                          "it is, with its name, dates and tags, but stores the contents once. "
                          "Changing one later doesn’t change the others.");
    EXPECT_EQ(set.evidence[1], (Evidence{Kind::note, "Each keeps its place and name"}));
    auto chosen = detector.keeping(set, copy);
    ASSERT_TRUE(chosen);
    EXPECT_EQ(chosen->action, AdvisorAction::mergeDuplicates(copy, {clone, original}))
        << "the chosen copy is the one the others come to share, the original and its clone";

    std::filesystem::remove(copy);
    EXPECT_TRUE(run().empty()) << "a file and its clone already share their data";

    ASSERT_EQ(test::runCommand("btrfs subvolume create " + test::shellQuoted(home + "/Archive") +
                               " >/dev/null && cp --reflink=always " + test::shellQuoted(original) +
                               " " + test::shellQuoted(home + "/Archive/take.wav") + " && sync"),
              0);
    EXPECT_TRUE(run().empty()) << "nor does a clone in a subvolume, with a device of its own";
}

TEST_F(DuplicatesTest, SkippedFoldersPackagesAndCloudFoldersAreNeverConsidered) {
    std::string data = content(150 * KB, 7);
    for (const char* place : {"Library/Caches/a", "Applications/Tool/a", ".cache/thumbs/a",
                              ".local/share/Trash/files/a", "Volume/.Trash-1000/files/a",
                              "snap/app/a", "Code/web/node_modules/a", "Code/.git/objects/a",
                              "Albums/Trip.photoslibrary/a", "Albums/Old.migratedphotolibrary/a",
                              "Tools/Viewer.APP/a", "Dropbox/a", "Nextcloud/Photos/a"})
        files.file(place, data);
    providers = {{"Dropbox", home + "/Dropbox", false}, {"Nextcloud", home + "/Nextcloud", false}};
    EXPECT_TRUE(run().empty());

    files.file("Documents/a", data);
    std::string other = files.file("Pictures/.hidden/a", data);
    auto found = run();
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].paths(), std::vector<std::string>{other})
        << "hidden folders deeper down are the user’s";
}

TEST_F(DuplicatesTest, FilesBelowTheSmallestSizeAndSetsFreeingTooLittleAreLeftOut) {
    std::string data = content(12 * 4096, 8);
    files.file("a/x", data);
    files.file("b/x", data);
    int64_t onDisk = test::allocatedBytes(home + "/a/x");
    detector.minFileBytes = onDisk + 1;
    EXPECT_TRUE(run().empty());
    detector.minFileBytes = onDisk;
    detector.minSetFreed = onDisk + 1;
    EXPECT_TRUE(run().empty());
    detector.minSetFreed = onDisk;
    EXPECT_EQ(run().size(), 1u);
}

TEST_F(DuplicatesTest, TheBudgetStopsHashingInOrderOfWhatGroupsCouldFree) {
    std::string big = content(300 * KB, 9);
    std::string small = content(200 * KB, 10);
    for (const char* name : {"big1", "big2", "big3"})
        files.file(std::string("a/") + name, big);
    files.file("b/small1", small);
    files.file("b/small2", small);

    detector.maxHashBytes = 3 * 300 * KB;
    auto found = run();
    ASSERT_EQ(found.size(), 1u) << "the spent budget leaves the second group unread";
    EXPECT_EQ(found[0].title, "big1");

    detector.maxHashBytes = 2 * 300 * KB;
    found = run();
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].evidence[0].text, "2 identical copies")
        << "a budget spent inside a group leaves its unread copies out, never a false set";
}

TEST_F(DuplicatesTest, FilesChangedSinceTheScanNeverMakeAFalseSet) {
    std::string data = content(300 * KB, 11);
    std::string kept = files.file("a/kept", data);
    std::string gone = files.file("b/gone", data);
    std::string shrunk = files.file("c/shrunk", data);
    std::string rewritten = files.file("d/rewritten", data);
    std::string piped = files.file("e/piped", data);
    std::string copy = files.file("f/copy\nwith a newline", data);
    AdvisorContext scanned = context(home);
    std::filesystem::remove(gone);
    std::filesystem::resize_file(shrunk, 100 * KB);
    files.file("d/rewritten", changedAt(data, 150 * KB));
    std::filesystem::remove(piped);
    ASSERT_EQ(::mkfifo(piped.c_str(), 0644), 0) << "a FIFO in place of a file must not block";

    auto found = detector.candidates(scanned);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].id, "duplicates:" + kept);
    EXPECT_EQ(found[0].action.paths(), (std::vector<std::string>{copy}));
}

TEST_F(DuplicatesTest, AScanOfAFolderInsideHomeFindsItsDuplicates) {
    std::string data = content(100 * KB, 12);
    std::string first = files.file("Pictures/2023/a.jpg", data);
    std::string second = files.file("Pictures/2024/a.jpg", data);
    files.file("Library/a.jpg", data);
    files.file("Library/Saved/a.jpg", data);
    auto found = detector.candidates(context(home + "/Pictures"));
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].id, "duplicates:" + first);
    EXPECT_EQ(found[0].action.paths(), (std::vector<std::string>{second}));
    EXPECT_TRUE(detector.candidates(context(home + "/Library")).empty())
        << "a folder the home's scans leave out is left out when scanned alone";
}

TEST_F(DuplicatesTest, ACancelledRunStopsAndProposesNothing) {
    std::string data = content(300 * KB, 13);
    for (int i = 0; i < 20; ++i) {
        files.file("set" + std::to_string(i) + "/a", data);
        files.file("set" + std::to_string(i) + "/b", data);
    }
    std::atomic<int> identities = 0;
    std::atomic<bool> cancelled = false;
    isCancelled = [&] { return cancelled.load(); };
    detector.identity = [&](const std::string& path, platform::SharingMounts& mounts) {
        if (++identities == 5)
            cancelled = true;
        return FileIdentity::of(path, &mounts);
    };
    EXPECT_TRUE(run().empty());
    EXPECT_LT(identities.load(), 40) << "the run stops soon after it is called off";
}

TEST(DuplicatesCandidate, KeepsTheEarliestMadeWithTiesByPathAndTrashesOnlyCopiesThatFreeSpace) {
    DuplicatesDetector detector(1, 1, 1'000);
    auto file = [](std::string path, int64_t created, uint64_t inode) {
        return identified(std::move(path), created, inode, 1, true);
    };
    auto set = detector.candidate({file("/h/z/b", 100, 1), file("/h/y/a", 100, 2),
                                   file("/h/x/c", 200, 3), file("/h/w/d", 300, 4)});
    ASSERT_TRUE(set);
    EXPECT_EQ(set->action,
              AdvisorAction::mergeDuplicates("/h/y/a", {"/h/w/d", "/h/x/c", "/h/z/b"}));
    EXPECT_EQ(set->evidence.back(), (Evidence{Kind::location, "In w, x, y"}));

    auto sameFolder = detector.candidate({file("/h/a/x", 1, 1), file("/g/a/y", 2, 2)});
    ASSERT_TRUE(sameFolder);
    EXPECT_EQ(sameFolder->evidence.size(), 2u) << "folders of one name say nothing of place";

    // On a disk that cannot share data only copies leaving no name behind are trashed.
    set = detector.candidate(
        {identified("/h/a/kept", 1, 1, 1, false), identified("/h/b/both", 2, 2, 2, false),
         identified("/h/c/both", 3, 2, 2, false), identified("/h/d/one of two", 4, 3, 2, false)});
    ASSERT_TRUE(set);
    EXPECT_EQ(set->rung, Rung::review);
    EXPECT_EQ(set->action.paths(), (std::vector<std::string>{"/h/b/both", "/h/c/both"}));
    const auto& checked = std::get<AdvisorAction::Trash>(set->action.value).checked;
    ASSERT_TRUE(checked) << "what was found identical goes with the step";
    EXPECT_EQ(checked->keep.path, "/h/a/kept");
    EXPECT_EQ(checked->copies[1].inode, 2u);
    EXPECT_EQ(set->freed, 4096) << "two names of one stored copy free it once";
    EXPECT_EQ(set->onDisk, 4 * 4096);
    auto keptLink = detector.keeping(*set, "/h/c/both");
    ASSERT_TRUE(keptLink);
    EXPECT_EQ(keptLink->action.paths(), std::vector<std::string>{"/h/a/kept"})
        << "keeping one name of a stored copy keeps its other name too";
}
