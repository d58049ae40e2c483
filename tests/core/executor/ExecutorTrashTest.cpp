#include "ExecutorTest.h"
#include "platform/Trash.h"
#include "support/TextFiles.h"
#include "support/TmpfsMount.h"
#include "util/ContentHash.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/stat.h>

using namespace tavelin;
using namespace tavelin::test;
namespace fs = std::filesystem;
using ExecutorTrash = ExecutorTest;

// Undo puts back what it can, but never over something new; the original's folders are made
// again.
TEST_F(ExecutorTrash, MovesWhatItCanNamesWhatItCannotAndUndoesWithoutReplacingAnything) {
    std::string file = tree.file("big.iso", 200'000);
    std::string album = tree.folder("album");
    tree.file("album/pic.jpg", 50'000);
    std::string taken = tree.file("taken", "old");
    std::string deep = tree.file("deep/er/free", "mine");
    int64_t expected = Executor::uniqueBytes(file) + Executor::uniqueBytes(album) +
                       Executor::uniqueBytes(taken) + Executor::uniqueBytes(deep);

    ActionResult result =
        Executor::trash({file, tree.path("gone"), album, tree.path("also gone"), taken, deep}, env);
    EXPECT_EQ(result.applied, (Paths{file, album, taken, deep}));
    EXPECT_EQ(result.freedEstimate, expected);
    EXPECT_EQ(result.error, "Couldn't move “gone” and “also gone” to the Trash.");
    ASSERT_EQ(trashedItems(result).size(), 4u);
    EXPECT_EQ(trashedItems(result)[0].original, file);
    EXPECT_EQ(contentOf(trashedItems(result)[0].trashed), std::string(200'000, 'x'));
    EXPECT_FALSE(fs::exists(file));

    tree.file("taken", "new");
    fs::remove_all(tree.path("deep"));
    EXPECT_EQ(Executor::undo(*result.undo, env),
              "Something new is already where “taken” was, so it stayed in the Trash.");
    EXPECT_EQ(contentOf(file), std::string(200'000, 'x'));
    EXPECT_TRUE(fs::exists(tree.path("album/pic.jpg")));
    EXPECT_FALSE(fs::exists(trashedItems(result)[1].trashed));
    EXPECT_EQ(contentOf(taken), "new");
    EXPECT_EQ(contentOf(deep), "mine");
    EXPECT_EQ(contentOf(trashedItems(result)[2].trashed), "old") << "still in the Trash";
    EXPECT_TRUE(readTrashInfo(infoFileOf(trashedItems(result)[2].trashed)));

    env.trash = [](const std::string&) { return std::nullopt; };
    EXPECT_EQ(Executor::trash({file}, env), failed("Couldn't move “big.iso” to the Trash."))
        << "a refusing Trash leaves everything and records no undo";
    EXPECT_TRUE(fs::exists(file));
}

// The space of an item in another disk's Trash is still used there: the step says so, since
// freed space would show nothing.
TEST_F(ExecutorTrash, SaysWhenAnItemWentToTheTrashOfAnotherDisk) {
    TmpfsMount disk(folder.path() / "disk", 1 << 20);
    TAVELIN_SKIP_UNLESS_MOUNTED(disk);
    ActionResult result = Executor::apply(
        AdvisorAction::trash({tree.file("disk/film.mkv", 10), tree.file("notes", 10)}), false, env);
    EXPECT_EQ(result.applied.size(), 2u);
    EXPECT_EQ(result.pending, "“film.mkv” is in the Trash of its own disk or volume and still "
                              "uses space there until that Trash is emptied.");
}

// Where the disk cannot share data, extra copies of a file go to the Trash: only while the file
// that stays and each copy are still the files whose content was found identical.
TEST_F(ExecutorTrash, ExtraCopiesGoOnlyWhileTheyAndTheKeptFileAreAsChecked) {
    auto checked = [](const std::string& path) {
        return CheckedFile::of(*platform::FileIdentity::of(path), *ContentHash::sha256(path));
    };
    std::string keep = tree.file("keep.mov", "movie");
    std::vector<CheckedFile> copies;
    for (const char* name : {"edited.mov", "replaced.mov", "same.mov", "later.mov"})
        copies.push_back(checked(tree.file(name, "movie")));
    AdvisorAction step = AdvisorAction::trashCopies(checked(keep), copies);

    fs::rename(keep, tree.path("keep.mov moved"));
    EXPECT_EQ(
        Executor::apply(step, false, env),
        failed("“keep.mov” changed since it was checked, so its copies were left as they are."));
    fs::rename(tree.path("keep.mov moved"), keep);

    // Same length and modification time: only the content tells.
    struct stat before;
    ::stat(copies[0].path.c_str(), &before);
    tree.file("edited.mov", "MOVIE");
    struct timespec times[2] = {before.st_atim, before.st_mtim};
    ::utimensat(AT_FDCWD, copies[0].path.c_str(), times, 0);
    fs::rename(tree.file("replacement", "movie"), copies[1].path);
    // The kept file goes while its copies are handled: the copies after it stay.
    env.trash = [&, trash = env.trash](const std::string& path) {
        auto landed = trash(path);
        fs::remove(keep);
        return landed;
    };
    ActionResult result = Executor::apply(step, false, env);
    EXPECT_EQ(result.applied, (Paths{copies[2].path}));
    EXPECT_EQ(result.error, "“edited.mov”, “replaced.mov” and “later.mov” changed since it was "
                            "checked and was left as it is.");
    EXPECT_TRUE(fs::exists(copies[0].path) && fs::exists(copies[1].path) &&
                fs::exists(copies[3].path));
}

TEST_F(ExecutorTrash, EmptyingDeletesEveryEntryWithItsInfoButNeverUndoes) {
    tree.file("dir/two", 30'000);
    ActionResult trashed = Executor::trash({tree.file("one", 100'000), tree.path("dir")}, env);
    ASSERT_EQ(trashed.applied.size(), 2u);
    std::string stray = env.trashFolder + "/.DS_Store";
    writeText(stray, "x");
    // The Trash a disk keeps at the top of a subvolume, as another Trash to empty.
    std::string volume = tree.folder("volume/.Trash-1000");
    tree.file("volume/.Trash-1000/files/three", 20'000);
    tree.file("volume/.Trash-1000/info/three.trashinfo", "[Trash Info]\nPath=three\n");
    int64_t expected = 0;
    for (const auto& trash : {platform::homeTrash(), volume})
        for (const platform::TrashItem& item :
             platform::trashItems(trash).value_or(std::vector<platform::TrashItem>{}))
            expected += item.name == ".DS_Store" ? 0 : item.bytes;

    ActionResult emptied =
        Executor::emptyTrash(Executor::listTrash({platform::homeTrash(), volume}, env));
    EXPECT_EQ(emptied.applied.size(), 3u);
    EXPECT_EQ(emptied.freedEstimate, expected);
    EXPECT_GT(emptied.freedEstimate, trashed.freedEstimate + 20'000) << "info files included";
    EXPECT_FALSE(emptied.undo || emptied.error);
    EXPECT_EQ(contentOf(stray), "x");
    fs::remove(stray);
    for (const std::string& left :
         {env.trashFolder, platform::homeTrash() + "/info", volume + "/files", volume + "/info"})
        EXPECT_TRUE(fs::is_empty(left)) << left;

    // Undo after emptying: a clear error, nothing made up.
    EXPECT_EQ(Executor::undo(*trashed.undo, env),
              "“one” and “dir” couldn't be put back; the Trash may have been emptied.");
    EXPECT_FALSE(fs::exists(tree.path("one")));

    // Entries that cannot go are named, and stay with their info files.
    std::string locked = tree.file("box/locked", "x");
    if (!setInodeFlag(locked, FS_IMMUTABLE_FL, true))
        GTEST_SKIP() << "this file system cannot make files immutable";
    Executor::trash({tree.path("box"), tree.file("loose", "y")}, env);
    emptied = Executor::emptyTrash(Executor::listTrash({}, env));
    setInodeFlag(env.trashFolder + "/box/locked", FS_IMMUTABLE_FL, false);
    EXPECT_EQ(emptied.error, "Couldn't delete “box” from the Trash.");
    EXPECT_EQ(emptied.applied, (Paths{env.trashFolder + "/loose"}));
    EXPECT_TRUE(fs::exists(infoFileOf(env.trashFolder + "/box")));
    EXPECT_EQ(Executor::emptyTrash(Executor::listTrash({}, env)).applied.size(), 1u);
}

TEST_F(ExecutorTrash, UndoDownloadsAgainWhatWasMadeOnlineOnly) {
    Paths asked;
    env.download = [&](const std::string& path) {
        asked.push_back(path);
        return path != "/cloud/b";
    };
    auto record = UndoRecord::madeOnlineOnly({"/cloud/a", "/cloud/b", "/cloud/c"});
    EXPECT_EQ(Executor::undo(record, env), "Couldn't start downloading “b” again.");
    EXPECT_EQ(asked.size(), 3u);
    env.download = [](const std::string&) { return true; };
    EXPECT_EQ(Executor::undo(record, env), std::nullopt);
}
