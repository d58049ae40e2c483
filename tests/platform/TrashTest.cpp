#include "platform/Trash.h"

#include "support/TemporaryFolder.h"
#include "support/TextFiles.h"
#include "support/TmpfsMount.h"
#include "support/TrashRecords.h"
#include "support/TreeBuilder.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tavelin;
using namespace tavelin::platform;
namespace fs = std::filesystem;
using test::contentOf;

namespace {

const auto kNoon = std::chrono::system_clock::from_time_t(1'700'000'000);
const std::string kOwnTrash = ".Trash-" + std::to_string(::getuid());

struct Trash : ::testing::Test {
    void SetUp() override { test::clearHomeTrash(); }
    // Moves `path` to the Trash at noon: where it landed.
    static std::string trashed(const std::string& path) { return moveToTrash(path, kNoon).trashed; }
    // The home Trash's entries by name.
    static std::vector<TrashItem> listed() {
        auto items = trashItems(homeTrash()).value_or(std::vector<TrashItem>{});
        std::ranges::sort(items, {}, &TrashItem::name);
        return items;
    }

    test::TemporaryFolder folder;
    test::TreeBuilder tree{folder.path()};
};

} // namespace

TEST_F(Trash, MovesAnItemIntoTheHomeTrashWithItsInfoFile) {
    std::string file = tree.file("notes.txt", "keep me");
    TrashOutcome outcome = moveToTrash(file, kNoon);
    EXPECT_EQ(std::pair(outcome.error, outcome.trashed),
              std::pair(0, std::string(std::getenv("XDG_DATA_HOME")) + "/Trash/files/notes.txt"));
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(contentOf(outcome.trashed), "keep me");
    auto info = test::readTrashInfo(test::infoFileOf(outcome.trashed)).value_or(test::TrashInfo{});
    EXPECT_EQ(info.path, file) << "the home Trash records absolute paths";
    std::time_t seconds = 1'700'000'000;
    char local[32];
    std::strftime(local, sizeof local, "%Y-%m-%dT%H:%M:%S", std::localtime(&seconds));
    EXPECT_EQ(info.deletionDate, local);

    tree.file("notes.txt", "new");
    EXPECT_EQ(restoreFromTrash(outcome.trashed, file), EEXIST) << "putting back never replaces";
    EXPECT_EQ(contentOf(file) + "|" + contentOf(outcome.trashed), "new|keep me");
    EXPECT_TRUE(fs::exists(test::infoFileOf(outcome.trashed)));
}

TEST_F(Trash, OddNamesSurviveTheRoundTripThroughTheInfoFile) {
    std::vector<std::string> names = {
        "line\nbreak", "100% done",   "quote \" and ' marks",         "bad \xFF\xFE utf8",
        "sp ace",      "caf\xC3\xA9", std::string(240, 'n') + ".txt", "dup.tar.gz",
        "dup.tar.gz",
    };
    for (size_t index = 0; index < names.size(); ++index) {
        SCOPED_TRACE(names[index]);
        std::string file = tree.file(std::to_string(index) + "/" + names[index], names[index]);
        std::string inTrash = trashed(file);
        EXPECT_EQ(test::readTrashInfo(test::infoFileOf(inTrash)).value_or(test::TrashInfo{}).path,
                  file);
        ASSERT_EQ(restoreFromTrash(inTrash, file), 0);
        EXPECT_EQ(contentOf(file), names[index]);
        EXPECT_FALSE(fs::exists(test::infoFileOf(inTrash))) << "put back forgets it";
    }
}

TEST_F(Trash, ItemsOfTheSameNameGetNamesOfTheirOwn) {
    std::string first = trashed(tree.file("a/report.pdf", "first"));
    std::string second = trashed(tree.file("b/report.pdf", "second"));
    std::string third = trashed(tree.file("c/report.pdf", "third"));
    EXPECT_EQ((std::vector{fs::path(first).filename(), fs::path(second).filename(),
                           fs::path(third).filename()}),
              (std::vector<fs::path>{"report.pdf", "report.2.pdf", "report.3.pdf"}));
    EXPECT_EQ(contentOf(second), "second");
    EXPECT_EQ(test::readTrashInfo(test::infoFileOf(third))->path, tree.path("c/report.pdf"));

    // A leftover entry without an info file still keeps its name.
    test::writeText(homeTrash() + "/files/orphan", "leftover");
    EXPECT_EQ(fs::path(trashed(tree.file("orphan", "new"))).filename(), "orphan.2");
    EXPECT_EQ(contentOf(homeTrash() + "/files/orphan"), "leftover");
}

// Symbolic links move themselves; a mount point never moves.
TEST_F(Trash, ItemsOnAnotherMountGoToThatMountsOwnTrashOrStay) {
    std::string target = tree.file("target", "stays");
    EXPECT_TRUE(fs::is_symlink(trashed(tree.symlink(target, "link"))));
    EXPECT_EQ(contentOf(target), "stays");
    EXPECT_EQ(moveToTrash(tree.symlink("nowhere", "dangling"), kNoon).error, 0);

    test::TmpfsMount mount(folder.path() / "disk", 1 << 20);
    TAVELIN_SKIP_UNLESS_MOUNTED(mount);
    test::TreeBuilder disk(mount.path());
    std::string inTrash = trashed(disk.file("photos/cat.jpg", "meow"));
    EXPECT_EQ(inTrash, disk.path(kOwnTrash + "/files/cat.jpg"));
    EXPECT_EQ(fs::status(disk.path(kOwnTrash)).permissions(), fs::perms::owner_all);
    EXPECT_EQ(test::readTrashInfo(test::infoFileOf(inTrash))->path, "photos/cat.jpg")
        << "relative to the top of the mount";

    // A shared, sticky .Trash folder comes first.
    ::chmod(disk.folder(".Trash").c_str(), 01777);
    EXPECT_EQ(trashed(disk.file("dog.jpg", "woof")),
              disk.path(".Trash/" + std::to_string(::getuid()) + "/files/dog.jpg"));

    // An item no Trash can take stays where it is: the shared Trash is not sticky, and the user's
    // own Trash is a file.
    std::string file = disk.file("keep.txt", "precious");
    ::chmod(disk.path(".Trash").c_str(), 0777);
    fs::remove_all(disk.path(kOwnTrash));
    disk.file(kOwnTrash, "not a folder");
    EXPECT_NE(moveToTrash(file, kNoon).error, 0);
    EXPECT_FALSE(fs::exists(homeTrash() + "/files/keep.txt")) << "never copied across disks";

    // A link in place of the Trash is never followed.
    fs::remove(disk.path(kOwnTrash));
    disk.symlink(disk.folder("elsewhere"), kOwnTrash);
    EXPECT_NE(moveToTrash(file, kNoon).error, 0);
    EXPECT_TRUE(fs::is_empty(disk.path("elsewhere")));

    // Nor does anything move off a read-only disk; no info file is left behind.
    fs::remove(disk.path(kOwnTrash));
    ASSERT_TRUE(mount.setReadOnly(true));
    EXPECT_EQ(moveToTrash(file, kNoon).error, EROFS);
    ASSERT_TRUE(mount.setReadOnly(false));
    EXPECT_EQ(moveToTrash(mount.string(), kNoon).error, EBUSY);
    EXPECT_EQ(contentOf(file), "precious");
    EXPECT_FALSE(fs::exists(disk.path(kOwnTrash)));
}

TEST_F(Trash, ListsItsItemsWithTheirInfoFilesAndSizes) {
    EXPECT_EQ(trashItems(homeTrash()), std::nullopt) << "never used";
    trashed(tree.file("box/a", 100'000));
    ASSERT_EQ(eraseFromTrash(listed().at(0)), 0);
    EXPECT_EQ(trashItems(homeTrash()), std::vector<TrashItem>{}) << "used, and empty again";

    tree.hardLink(tree.file("album/pic", 50'000), "album/same pic");
    std::string album = trashed(tree.path("album"));
    test::writeText(homeTrash() + "/files/stray", "no info file");
    auto items = listed();
    ASSERT_EQ(items.size(), 2u);
    struct stat status;
    ASSERT_EQ(::lstat(album.c_str(), &status), 0);
    EXPECT_EQ(
        std::tuple(items[0].name, items[0].path, items[0].infoFile, items[0].id),
        std::tuple("album", album, test::infoFileOf(album), FileId{status.st_dev, status.st_ino}));
    EXPECT_EQ(items[0].bytes,
              test::independentUsage(album).bytes + test::allocatedBytes(test::infoFileOf(album)))
        << "a file of two names counts once";
    EXPECT_EQ(items[1].infoFile, "");
}

TEST_F(Trash, ErasingRemovesTheEntryItsInfoAndItsSizeLine) {
    tree.file("album/one.jpg", 5000);
    tree.file("album/deep/two.jpg", 5000);
    ::chmod(tree.path("album/deep").c_str(), 0555);
    std::string inTrash = trashed(tree.path("album"));
    std::string kept = trashed(tree.file("other folder", "x"));
    std::string sizes = homeTrash() + "/directorysizes";
    test::writeText(sizes, "10000 1700000000 album\n42 1700000000 other%20folder\n");

    auto items = listed();
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(eraseFromTrash(items[0]), 0);
    EXPECT_FALSE(fs::exists(inTrash) || fs::exists(test::infoFileOf(inTrash)));
    EXPECT_TRUE(fs::exists(test::infoFileOf(kept)));
    EXPECT_EQ(contentOf(sizes), "42 1700000000 other%20folder\n");
    EXPECT_EQ(eraseFromTrash(items[0]), ENOENT);

    // Another item under the listed name is not the one listed: it stays, with its records.
    test::writeText(kept + " new", "new");
    fs::rename(kept + " new", kept);
    EXPECT_EQ(eraseFromTrash(items[1]), ESTALE);
    EXPECT_EQ(contentOf(kept) + "|" + contentOf(sizes), "new|42 1700000000 other%20folder\n");
    // Nor is one given the inode number the listed entry had, made at another moment.
    TrashItem renewed = listed().at(0);
    if (renewed.born != FileTime{}) {
        TrashItem older = renewed;
        older.born.seconds -= 1;
        EXPECT_EQ(eraseFromTrash(older), ESTALE);
    }
    EXPECT_EQ(eraseFromTrash(renewed), 0);
    EXPECT_EQ(contentOf(sizes), "");
}

TEST_F(Trash, ErasingStopsAtImmutableFilesAndOtherMounts) {
    std::string locked = tree.file("box/locked", "cannot go");
    tree.file("box/free", "can go");
    if (!test::setInodeFlag(locked, FS_IMMUTABLE_FL, true))
        GTEST_SKIP() << "this file system cannot make files immutable";
    std::string box = trashed(tree.path("box"));
    EXPECT_EQ(eraseFromTrash(listed().at(0)), EPERM);
    test::setInodeFlag(box + "/locked", FS_IMMUTABLE_FL, false);
    EXPECT_TRUE(fs::exists(box + "/locked") && !fs::exists(box + "/free"));
    EXPECT_TRUE(fs::exists(test::infoFileOf(box))) << "the entry is still there";

    // An immutable item cannot move at all: it stays, and so does no info file.
    std::string pinned = tree.file("pinned", "fixed");
    test::setInodeFlag(pinned, FS_IMMUTABLE_FL, true);
    EXPECT_EQ(moveToTrash(pinned, kNoon).error, EPERM);
    test::setInodeFlag(pinned, FS_IMMUTABLE_FL, false);
    EXPECT_TRUE(contentOf(pinned) == "fixed" &&
                !fs::exists(homeTrash() + "/info/pinned.trashinfo"));

    // A folder holding a mount point moves to the Trash with it; erasing never enters it.
    test::TmpfsMount mount(folder.path() / "shelf/mounted", 1 << 20);
    TAVELIN_SKIP_UNLESS_MOUNTED(mount);
    test::writeText(mount.path() / "data", "another disk");
    std::string shelf = trashed(folder.string() + "/shelf");
    auto items = listed();
    auto item = std::ranges::find(items, std::string("shelf"), &TrashItem::name);
    ASSERT_NE(item, items.end());
    EXPECT_EQ(eraseFromTrash(*item), EBUSY);
    EXPECT_EQ(contentOf(shelf + "/mounted/data"), "another disk");
    ::umount2((shelf + "/mounted").c_str(), MNT_DETACH);
}
