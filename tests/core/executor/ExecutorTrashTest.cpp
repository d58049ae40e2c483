#include "executor/Executor.h"
#include "platform/Trash.h"
#include "support/TemporaryFolder.h"
#include "support/TrashRecords.h"
#include "support/TreeBuilder.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

using namespace tavelin;
namespace fs = std::filesystem;
using test::contentOf;

TEST(ExecutorTrash, MovesWhatItCanAndNamesWhatItCannot) {
    test::clearHomeTrash();
    test::TemporaryFolder folder;
    test::TreeBuilder tree(folder.path());
    std::string file = tree.file("big.iso", 200'000);
    std::string album = tree.folder("album");
    tree.file("album/pic.jpg", 50'000);
    int64_t expected = Executor::uniqueBytes(file) + Executor::uniqueBytes(album);
    std::vector<std::string> paths = {file, tree.path("gone"), album, tree.path("also gone")};

    ActionResult result = Executor::trash(paths, ExecutorEnvironment::live());
    EXPECT_EQ(result.applied, (std::vector<std::string>{file, album}));
    EXPECT_EQ(result.freedEstimate, expected);
    EXPECT_EQ(result.error, "Couldn't move “gone” and “also gone” to the Trash.");
    ASSERT_TRUE(result.undo);
    const auto& items = std::get<UndoRecord::Trashed>(result.undo->value).items;
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].original, file);
    EXPECT_EQ(contentOf(items[0].trashed), std::string(200'000, 'x'));
    EXPECT_FALSE(fs::exists(file));

    EXPECT_EQ(Executor::undo(*result.undo, ExecutorEnvironment::live()), std::nullopt);
    EXPECT_EQ(contentOf(file), std::string(200'000, 'x'));
    EXPECT_TRUE(fs::exists(tree.path("album/pic.jpg")));
    EXPECT_FALSE(fs::exists(items[1].trashed));
}

TEST(ExecutorTrash, ARefusingTrashLeavesEverythingAndRecordsNoUndo) {
    test::clearHomeTrash();
    test::TemporaryFolder folder;
    test::TreeBuilder tree(folder.path());
    std::string file = tree.file("keep", 10);
    ExecutorEnvironment env = ExecutorEnvironment::live();
    env.trash = [](const std::string&) { return std::nullopt; };
    ActionResult result = Executor::trash({file}, env);
    EXPECT_TRUE(result.applied.empty());
    EXPECT_EQ(result.freedEstimate, 0);
    EXPECT_FALSE(result.undo);
    EXPECT_EQ(result.error, "Couldn't move “keep” to the Trash.");
    EXPECT_TRUE(fs::exists(file));
}

TEST(ExecutorTrash, EmptyingDeletesEveryEntryWithItsInfoButNeverUndoes) {
    test::clearHomeTrash();
    test::TemporaryFolder folder;
    test::TreeBuilder tree(folder.path());
    ExecutorEnvironment env = ExecutorEnvironment::live();
    tree.file("dir/two", 30'000);
    ActionResult trashed = Executor::trash({tree.file("one", 100'000), tree.path("dir")}, env);
    ASSERT_EQ(trashed.applied.size(), 2u);
    std::ofstream(env.trashFolder + "/.DS_Store") << "x";

    ActionResult emptied = Executor::emptyTrash(Executor::listTrash(env));
    EXPECT_EQ(emptied.applied.size(), 2u);
    EXPECT_EQ(emptied.freedEstimate, trashed.freedEstimate);
    EXPECT_FALSE(emptied.undo);
    EXPECT_FALSE(emptied.error);
    EXPECT_TRUE(fs::exists(env.trashFolder + "/.DS_Store"));
    fs::remove(env.trashFolder + "/.DS_Store");
    EXPECT_TRUE(fs::is_empty(env.trashFolder));
    EXPECT_TRUE(fs::is_empty(platform::homeTrash() + "/info"));

    // Undo after emptying: a clear error, nothing made up.
    EXPECT_EQ(Executor::undo(*trashed.undo, env),
              "“one” and “dir” couldn't be put back; the Trash may have been emptied.");
    EXPECT_FALSE(fs::exists(tree.path("one")));
}

TEST(ExecutorTrash, EmptyingNamesEntriesThatCannotGo) {
    test::clearHomeTrash();
    test::TemporaryFolder folder;
    test::TreeBuilder tree(folder.path());
    std::string locked = tree.file("box/locked", "x");
    if (std::system(("chattr +i '" + locked + "' 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "this file system cannot make files immutable";
    ExecutorEnvironment env = ExecutorEnvironment::live();
    ActionResult trashed = Executor::trash({tree.path("box"), tree.file("loose", "y")}, env);
    ActionResult emptied = Executor::emptyTrash(Executor::listTrash(env));
    std::system(("chattr -i '" + env.trashFolder + "/box/locked'").c_str());
    EXPECT_EQ(emptied.error, "Couldn't delete “box” from the Trash.");
    EXPECT_EQ(emptied.applied, (std::vector<std::string>{env.trashFolder + "/loose"}));
    EXPECT_TRUE(fs::exists(test::infoFileOf(env.trashFolder + "/box")));
    EXPECT_EQ(Executor::emptyTrash(Executor::listTrash(env)).applied.size(), 1u);
}

TEST(ExecutorUndo, NeverPutsAnItemBackOverSomethingNew) {
    test::clearHomeTrash();
    test::TemporaryFolder folder;
    test::TreeBuilder tree(folder.path());
    ExecutorEnvironment env = ExecutorEnvironment::live();
    ActionResult result = Executor::trash(
        {tree.file("taken", "old"), tree.file("deep/er/free", "mine"), tree.file("a", "1")}, env);
    ASSERT_EQ(result.applied.size(), 3u);
    tree.file("taken", "new");
    fs::remove_all(tree.path("deep")); // the original's folders are made again

    auto error = Executor::undo(*result.undo, env);
    EXPECT_EQ(error, "Something new is already where “taken” was, so it stayed in the Trash.");
    EXPECT_EQ(contentOf(tree.path("taken")), "new");
    EXPECT_EQ(contentOf(tree.path("deep/er/free")), "mine");
    EXPECT_EQ(contentOf(tree.path("a")), "1");
    const auto& items = std::get<UndoRecord::Trashed>(result.undo->value).items;
    EXPECT_EQ(contentOf(items[0].trashed), "old") << "still in the Trash, with its info";
    EXPECT_TRUE(test::readTrashInfo(test::infoFileOf(items[0].trashed)));
}

TEST(ExecutorUndo, DownloadsAgainWhatWasMadeOnlineOnly) {
    test::clearHomeTrash();
    ExecutorEnvironment env = ExecutorEnvironment::live();
    std::vector<std::string> asked;
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
