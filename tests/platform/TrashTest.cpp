#include "platform/Trash.h"

#include "support/TemporaryFolder.h"
#include "support/TmpfsMount.h"
#include "support/TrashRecords.h"
#include "support/TreeBuilder.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tavelin;
using namespace tavelin::platform;
namespace fs = std::filesystem;
using test::contentOf;

namespace {

const auto kNoon = std::chrono::system_clock::from_time_t(1'700'000'000);

std::string localNoon() {
    std::time_t seconds = 1'700'000'000;
    std::tm local{};
    ::localtime_r(&seconds, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

std::string uid() {
    return std::to_string(::getuid());
}

} // namespace

TEST(Trash, MovesAnItemIntoTheHomeTrashWithItsInfoFile) {
    test::clearHomeTrash();
    test::TemporaryFolder folder;
    test::TreeBuilder tree(folder.path());
    std::string file = tree.file("notes.txt", "keep me");

    TrashOutcome outcome = moveToTrash(file, kNoon);
    ASSERT_EQ(outcome.error, 0);
    EXPECT_EQ(outcome.trashed, homeTrash() + "/files/notes.txt");
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(contentOf(outcome.trashed), "keep me");
    auto info = test::readTrashInfo(test::infoFileOf(outcome.trashed));
    ASSERT_TRUE(info);
    EXPECT_EQ(info->path, file) << "the home Trash records absolute paths";
    EXPECT_EQ(info->deletionDate, localNoon());
    EXPECT_EQ(homeTrash(), std::string(std::getenv("XDG_DATA_HOME")) + "/Trash");
}

TEST(Trash, OddNamesSurviveTheRoundTripThroughTheInfoFile) {
    test::clearHomeTrash();
    test::TemporaryFolder folder;
    test::TreeBuilder tree(folder.path());
    std::vector<std::string> names = {
        "line\nbreak", "100% done",   "quote \" and ' marks",         "bad \xFF\xFE utf8",
        "sp ace",      "caf\xC3\xA9", std::string(240, 'n') + ".txt", "dup.tar.gz",
        "dup.tar.gz",
    };
    int index = 0;
    for (const std::string& name : names) {
        std::string file = tree.file(std::to_string(index++) + "/" + name, name);
        TrashOutcome outcome = moveToTrash(file, kNoon);
        ASSERT_EQ(outcome.error, 0) << name;
        auto info = test::readTrashInfo(test::infoFileOf(outcome.trashed));
        ASSERT_TRUE(info) << name;
        EXPECT_EQ(info->path, file);
        ASSERT_EQ(restoreFromTrash(outcome.trashed, file), 0);
        EXPECT_EQ(contentOf(file), name);
        EXPECT_FALSE(fs::exists(test::infoFileOf(outcome.trashed))) << "put back forgets it";
    }
}

TEST(Trash, ItemsOfTheSameNameGetNamesOfTheirOwn) {
    test::clearHomeTrash();
    test::TemporaryFolder folder;
    test::TreeBuilder tree(folder.path());
    std::string first = moveToTrash(tree.file("a/report.pdf", "first"), kNoon).trashed;
    std::string second = moveToTrash(tree.file("b/report.pdf", "second"), kNoon).trashed;
    std::string third = moveToTrash(tree.file("c/report.pdf", "third"), kNoon).trashed;
    EXPECT_EQ(fs::path(first).filename(), "report.pdf");
    EXPECT_EQ(fs::path(second).filename(), "report.2.pdf");
    EXPECT_EQ(fs::path(third).filename(), "report.3.pdf");
    EXPECT_EQ(contentOf(second), "second");
    EXPECT_EQ(test::readTrashInfo(test::infoFileOf(third))->path, tree.path("c/report.pdf"));

    // A leftover entry without an info file still keeps its name.
    std::string files = homeTrash() + "/files";
    std::ofstream(files + "/orphan") << "leftover";
    std::string orphan = moveToTrash(tree.file("orphan", "new"), kNoon).trashed;
    EXPECT_EQ(fs::path(orphan).filename(), "orphan.2");
    EXPECT_EQ(contentOf(files + "/orphan"), "leftover");
}

TEST(Trash, MovesSymbolicLinksThemselvesAndRefusesMountPoints) {
    test::clearHomeTrash();
    test::TemporaryFolder folder;
    test::TreeBuilder tree(folder.path());
    std::string target = tree.file("target", "stays");
    std::string link = tree.symlink(target, "link");
    std::string dangling = tree.symlink("nowhere", "dangling");
    TrashOutcome moved = moveToTrash(link, kNoon);
    ASSERT_EQ(moved.error, 0);
    EXPECT_TRUE(fs::is_symlink(moved.trashed));
    EXPECT_EQ(contentOf(target), "stays");
    EXPECT_EQ(moveToTrash(dangling, kNoon).error, 0);

    test::TmpfsMount mount(folder.path() / "mounted", 1 << 20);
    if (!mount.mounted())
        GTEST_SKIP() << mount.whyNot();
    std::ofstream(mount.path() / "inside") << "data";
    EXPECT_EQ(moveToTrash(mount.string(), kNoon).error, EBUSY);
    EXPECT_EQ(contentOf(mount.string() + "/inside"), "data");
}

TEST(Trash, ItemsOnAnotherMountGoToThatMountsOwnTrash) {
    test::clearHomeTrash();
    test::TemporaryFolder folder;
    test::TmpfsMount mount(folder.path() / "disk", 1 << 20);
    if (!mount.mounted())
        GTEST_SKIP() << mount.whyNot();
    test::TreeBuilder tree(mount.path());
    std::string file = tree.file("photos/cat.jpg", "meow");

    TrashOutcome outcome = moveToTrash(file, kNoon);
    ASSERT_EQ(outcome.error, 0);
    EXPECT_EQ(outcome.trashed, mount.string() + "/.Trash-" + uid() + "/files/cat.jpg");
    EXPECT_EQ(fs::status(mount.string() + "/.Trash-" + uid()).permissions(), fs::perms::owner_all);
    auto info = test::readTrashInfo(test::infoFileOf(outcome.trashed));
    ASSERT_TRUE(info);
    EXPECT_EQ(info->path, "photos/cat.jpg") << "relative to the top of the mount";

    // A shared, sticky .Trash folder comes first.
    fs::create_directory(mount.path() / ".Trash");
    ::chmod((mount.string() + "/.Trash").c_str(), 01777);
    TrashOutcome shared = moveToTrash(tree.file("dog.jpg", "woof"), kNoon);
    EXPECT_EQ(shared.trashed, mount.string() + "/.Trash/" + uid() + "/files/dog.jpg");
}

TEST(Trash, AnItemNoTrashCanTakeStaysWhereItIs) {
    test::clearHomeTrash();
    test::TemporaryFolder folder;
    test::TmpfsMount mount(folder.path() / "disk", 1 << 20);
    if (!mount.mounted())
        GTEST_SKIP() << mount.whyNot();
    test::TreeBuilder tree(mount.path());
    std::string file = tree.file("keep.txt", "precious");
    // The shared Trash is not sticky, and the user's own Trash is a file: neither is usable.
    fs::create_directory(mount.path() / ".Trash");
    std::ofstream(mount.path() / (".Trash-" + uid())) << "not a folder";
    EXPECT_NE(moveToTrash(file, kNoon).error, 0);
    EXPECT_EQ(contentOf(file), "precious");
    EXPECT_FALSE(fs::exists(homeTrash() + "/files/keep.txt")) << "never copied across disks";

    // A link in place of the Trash is never followed.
    fs::remove(mount.path() / (".Trash-" + uid()));
    fs::create_directory(mount.path() / "elsewhere");
    fs::create_directory_symlink("elsewhere", mount.path() / (".Trash-" + uid()));
    EXPECT_NE(moveToTrash(file, kNoon).error, 0);
    EXPECT_TRUE(fs::is_empty(mount.path() / "elsewhere"));

    // Nor does anything move off a read-only disk; no info file is left behind.
    fs::remove(mount.path() / (".Trash-" + uid()));
    ASSERT_TRUE(mount.setReadOnly(true));
    EXPECT_EQ(moveToTrash(file, kNoon).error, EROFS);
    EXPECT_EQ(contentOf(file), "precious");
    ASSERT_TRUE(mount.setReadOnly(false));
    EXPECT_FALSE(fs::exists(mount.path() / (".Trash-" + uid())));
}

TEST(Trash, ListsItsItemsWithTheirInfoFilesAndSizes) {
    test::clearHomeTrash();
    EXPECT_EQ(trashItems(homeTrash()), std::nullopt) << "never used";
    test::TemporaryFolder folder;
    test::TreeBuilder tree(folder.path());
    ASSERT_EQ(moveToTrash(tree.file("box/a", 100'000), kNoon).error, 0);
    ASSERT_EQ(eraseFromTrash(trashItems(homeTrash())->at(0)), 0);
    EXPECT_EQ(trashItems(homeTrash()), std::vector<TrashItem>{}) << "used, and empty again";

    tree.file("album/pic", 50'000);
    tree.hardLink(tree.path("album/pic"), "album/same pic");
    std::string album = moveToTrash(tree.path("album"), kNoon).trashed;
    std::ofstream(homeTrash() + "/files/stray") << "no info file";
    auto items = trashItems(homeTrash());
    ASSERT_TRUE(items);
    ASSERT_EQ(items->size(), 2u);
    std::ranges::sort(*items, {}, &TrashItem::name);
    const TrashItem& listed = items->front();
    EXPECT_EQ(listed.name, "album");
    EXPECT_EQ(listed.path, album);
    EXPECT_EQ(listed.infoFile, test::infoFileOf(album));
    struct stat status;
    ASSERT_EQ(::lstat(album.c_str(), &status), 0);
    EXPECT_EQ(listed.id, (FileId{status.st_dev, status.st_ino}));
    EXPECT_EQ(listed.bytes,
              test::independentUsage(album).bytes + test::allocatedBytes(test::infoFileOf(album)))
        << "a file of two names counts once";
    EXPECT_EQ(items->back().infoFile, "");
}

TEST(Trash, ErasingRemovesTheEntryItsInfoAndItsSizeLine) {
    test::clearHomeTrash();
    test::TemporaryFolder folder;
    test::TreeBuilder tree(folder.path());
    tree.file("album/one.jpg", 5000);
    tree.file("album/deep/two.jpg", 5000);
    ::chmod(tree.path("album/deep").c_str(), 0555);
    std::string trashed = moveToTrash(tree.path("album"), kNoon).trashed;
    std::string kept = moveToTrash(tree.file("other folder", "x"), kNoon).trashed;
    std::string sizes = homeTrash() + "/directorysizes";
    std::ofstream(sizes) << "10000 1700000000 album\n42 1700000000 other%20folder\n";

    auto listed = trashItems(homeTrash());
    ASSERT_TRUE(listed);
    ASSERT_EQ(listed->size(), 2u);
    std::ranges::sort(*listed, {}, &TrashItem::name);
    const TrashItem& album = listed->front();
    const TrashItem& other = listed->back();
    EXPECT_EQ(eraseFromTrash(album), 0);
    EXPECT_FALSE(fs::exists(trashed));
    EXPECT_FALSE(fs::exists(test::infoFileOf(trashed)));
    EXPECT_EQ(contentOf(sizes), "42 1700000000 other%20folder\n");
    EXPECT_TRUE(fs::exists(test::infoFileOf(kept)));
    EXPECT_EQ(eraseFromTrash(album), ENOENT);

    // Another item under the listed name is not the one listed: it stays, with its records.
    std::ofstream(kept + " new") << "new";
    fs::rename(kept + " new", kept);
    EXPECT_EQ(eraseFromTrash(other), ESTALE);
    EXPECT_EQ(contentOf(kept), "new");
    EXPECT_EQ(contentOf(sizes), "42 1700000000 other%20folder\n");
    // Nor is one given the inode number the listed entry had, made at another moment.
    TrashItem renewed = trashItems(homeTrash())->at(0);
    if (renewed.born != FileTime{}) {
        TrashItem older = renewed;
        older.born.seconds -= 1;
        EXPECT_EQ(eraseFromTrash(older), ESTALE);
    }
    EXPECT_EQ(eraseFromTrash(renewed), 0);
    EXPECT_EQ(contentOf(sizes), "");
}

TEST(Trash, ErasingStopsAtImmutableFilesAndOtherMounts) {
    test::clearHomeTrash();
    test::TemporaryFolder folder;
    test::TreeBuilder tree(folder.path());
    std::string locked = tree.file("box/locked", "cannot go");
    tree.file("box/free", "can go");
    if (std::system(("chattr +i '" + locked + "' 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "this file system cannot make files immutable";
    std::string trashed = moveToTrash(tree.path("box"), kNoon).trashed;
    EXPECT_EQ(eraseFromTrash(trashItems(homeTrash())->at(0)), EPERM);
    EXPECT_TRUE(fs::exists(trashed + "/locked"));
    EXPECT_FALSE(fs::exists(trashed + "/free"));
    EXPECT_TRUE(fs::exists(test::infoFileOf(trashed))) << "the entry is still there";
    std::system(("chattr -i '" + trashed + "/locked'").c_str());

    // An immutable item cannot move at all: it stays, and so does no info file.
    std::string pinned = tree.file("pinned", "fixed");
    std::system(("chattr +i '" + pinned + "'").c_str());
    EXPECT_EQ(moveToTrash(pinned, kNoon).error, EPERM);
    std::system(("chattr -i '" + pinned + "'").c_str());
    EXPECT_EQ(contentOf(pinned), "fixed");
    EXPECT_FALSE(fs::exists(homeTrash() + "/info/pinned.trashinfo"));

    // A folder holding a mount point moves to the Trash with it; erasing never enters it.
    test::TmpfsMount mount(folder.path() / "shelf/mounted", 1 << 20);
    if (!mount.mounted())
        GTEST_SKIP() << mount.whyNot();
    std::ofstream(mount.path() / "data") << "another disk";
    std::string shelf = moveToTrash(folder.string() + "/shelf", kNoon).trashed;
    ASSERT_FALSE(shelf.empty());
    auto items = trashItems(homeTrash());
    auto item = std::ranges::find(*items, std::string("shelf"), &TrashItem::name);
    ASSERT_NE(item, items->end());
    EXPECT_EQ(eraseFromTrash(*item), EBUSY);
    EXPECT_EQ(contentOf(shelf + "/mounted/data"), "another disk");
    ::umount2((shelf + "/mounted").c_str(), MNT_DETACH);
}

TEST(Trash, PuttingBackNeverReplacesWhatIsThere) {
    test::clearHomeTrash();
    test::TemporaryFolder folder;
    test::TreeBuilder tree(folder.path());
    std::string file = tree.file("draft", "old");
    std::string trashed = moveToTrash(file, kNoon).trashed;
    tree.file("draft", "new");
    EXPECT_EQ(restoreFromTrash(trashed, file), EEXIST);
    EXPECT_EQ(contentOf(file), "new");
    EXPECT_EQ(contentOf(trashed), "old");
    EXPECT_TRUE(fs::exists(test::infoFileOf(trashed)));
}
