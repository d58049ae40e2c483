// The tree follows the disk after a scan: real folders, real inotify, the manual main queue.

#include "scan/LiveUpdater.h"

#include "core/scan/SessionHarness.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace tavelin;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

struct Live : test::SessionHarness {
    std::string history = tree.path(".history");
    int settled = 0;
    int ready = 0;
    std::shared_ptr<LiveUpdater> updater = std::make_shared<LiveUpdater>(
        LiveUpdater::Context{queue, history, 0.05},
        LiveUpdater::Hooks{.settled = [this] { ++settled; },
                           .ready = [this](const FolderWatcher::Coverage&) { ++ready; },
                           .limitReached = {}});

    Live() { pool = std::make_shared<WorkerPool>(3); }
    // Starts a scan as the window does: the watcher stops, and replays from now.
    void startScan() {
        updater->scanStarting();
        make().start();
    }
    void finishScan() {
        ASSERT_TRUE(runToEnd());
        updater->restart(session);
        ASSERT_TRUE(runUntil([&] { return ready > 0; }));
    }
    void scan() {
        startScan();
        finishScan();
    }
    // Runs until the tree has settled on what a new scan finds, checking after each batch.
    std::string caughtUp() {
        int checked = settled;
        std::string last = "nothing settled";
        runUntil([&] {
            if (settled == checked)
                return false;
            checked = settled;
            last = difference();
            return last.empty();
        });
        return last;
    }
};

TEST(LiveUpdater, TheTreeFollowsFilesAndFoldersMadeGrownDeletedAndRenamed) {
    Live live;
    auto& tree = live.tree;
    tree.file("docs/report", 2'000'000);
    tree.file("docs/notes", 3000);
    tree.file("docs/old/a/b/file", 1'500'000);
    tree.file("build/out/obj", 5'000'000);
    tree.file("music/song", 100);
    // Counted once, in whichever folder the scan met it first, however often both are listed.
    tree.hardLink("build/out/obj", "music/obj link");
    live.scan();

    tree.file("docs/new download", 8'000'000);
    tree.file("docs/notes", 1'100'000);
    fs::remove_all(tree.path("docs/old"));
    fs::rename(tree.path("build/out"), tree.path("build/out.old"));
    tree.file("music/album/one", 2'000'000);
    tree.file("music/album/two\nlines", 2'000'000);
    fs::rename(tree.path("music/album"), tree.path("docs/album"));
    tree.folder("fresh/a/b/c/d");
    tree.file("fresh/a/b/c/d/deep", 3'000'000);
    EXPECT_EQ(live.caughtUp(), "");
    EXPECT_EQ(std::pair(live.session->bytes(), live.session->files()),
              std::pair(live.root().size, live.root().fileCount));
    EXPECT_FALSE(live.updater->isRefreshing());
    EXPECT_TRUE(live.updater->refreshQueue().empty());

    // A burst across many folders.
    for (int i = 0; i < 40; ++i) {
        tree.file("burst/" + std::to_string(i % 8) + "/f" + std::to_string(i), 1000 * i);
        if (i % 3 == 0)
            fs::remove(tree.path("burst/" + std::to_string(i % 8) + "/f" + std::to_string(i)));
    }
    fs::remove(tree.path("docs/report"));
    EXPECT_EQ(live.caughtUp(), "");
}

TEST(LiveUpdater,
     TheWatcherStartsOnceThePoolHasListedTheFoldersOwnWritesCauseNoWorkLostDetailAWalk) {
    Live live;
    auto& tree = live.tree;
    tree.file("a/b/c/d/e/file", 2'000'000);
    tree.file("z/file", 2'000'000);
    live.startScan();
    ASSERT_TRUE(live.runToEnd());
    live.updater->restart(live.session);
    EXPECT_FALSE(live.updater->watcher()) << "nothing is listed on the UI thread";
    EXPECT_TRUE(live.session->isPaused()) << "the tree holds still while the pool lists it";
    ASSERT_TRUE(live.runUntil([&] { return live.ready > 0; }));
    EXPECT_TRUE(live.updater->watcher());
    EXPECT_FALSE(live.session->isPaused());

    live.updater->handle({{live.history, false}, {live.history + "/abc", true}});
    EXPECT_EQ(std::tuple(live.updater->refreshQueue().empty(), live.updater->isRefreshing(),
                         live.updater->rescansRunning()),
              std::tuple(true, false, 0));
    live.updater->handle({{live.history + "x", false}});
    EXPECT_TRUE(live.updater->isRefreshing()) << "a sibling whose name only begins the same";

    live.updater->restart(live.session);
    live.updater->stop(); // changes made now reach no watcher
    live.idle(300ms);
    EXPECT_FALSE(live.updater->watcher()) << "a listing that ends after a stop starts nothing";
    EXPECT_FALSE(live.session->isPaused());
    tree.file("a/b/c/d/e/more", 3'000'000);
    fs::remove(tree.path("z/file"));
    Node* root = live.session->root().get();
    // What the watcher reports when the kernel's queue overflowed.
    live.updater->handle({{tree.root().string(), true}});
    ASSERT_TRUE(live.runUntil([&] { return live.updater->rescansRunning() == 0; }));
    EXPECT_EQ(live.difference(), "");
    EXPECT_EQ(live.session->root().get(), root) << "walked in place";
}

TEST(LiveUpdater,
     StoppingOrANewScanWhileRefreshingLeavesNothingHalfDoneAndChangesMeanwhileAreReplayed) {
    Live live;
    std::vector<std::string> folders;
    for (int i = 0; i < 5; ++i)
        folders.push_back(live.tree.file("d" + std::to_string(i) + "/file", 10));
    live.scan();
    auto enqueueAll = [&] {
        for (std::string& folder : folders) {
            live.tree.file(folder + " big", 2'000'000);
            live.updater->enqueueRefresh(std::filesystem::path(folder).parent_path());
        }
    };
    enqueueAll();
    live.queue->runPending(); // the first refresh is under way
    live.updater->stop();
    EXPECT_FALSE(live.updater->isRefreshing());
    EXPECT_TRUE(live.updater->refreshQueue().empty());
    live.idle(300ms);
    EXPECT_TRUE(live.updater->refreshQueue().empty());
    for (int i = 0; i < 5; ++i)
        EXPECT_FALSE(live.node("d" + std::to_string(i))->isScanning);

    // Refreshes queued for the old scan never touch the new one.
    enqueueAll();
    auto old = live.session;
    live.startScan();
    EXPECT_TRUE(live.updater->refreshQueue().empty());
    // Made while the walkers run (or just after): the next watcher must catch them either way.
    live.tree.file("d1/grown", 4'000'000);
    fs::remove_all(live.tree.path("d2"));
    live.tree.file("late/file", 2'000'000);
    live.finishScan();
    EXPECT_GT(live.updater->watchSince(), old->startDate() - 1s);
    EXPECT_EQ(live.caughtUp(), "");
    // Folders made meanwhile are watched too, though the scan never saw them.
    live.tree.file("late/second", 3'000'000);
    live.tree.file("d1/new/deeper/file", 1'000'000);
    EXPECT_EQ(live.caughtUp(), "");
}

} // namespace
