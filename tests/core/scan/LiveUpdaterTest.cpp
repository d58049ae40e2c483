// The tree follows the disk after a scan: real folders, real inotify, the manual main queue.

#include "scan/LiveUpdater.h"

#include "support/NodeLookup.h"
#include "support/TemporaryFolder.h"
#include "support/TreeBuilder.h"
#include "support/TreeCompare.h"
#include "util/ManualQueue.h"

#include <filesystem>
#include <future>
#include <gtest/gtest.h>

using namespace tavelin;
using namespace std::chrono_literals;
using test::TreeBuilder;
namespace fs = std::filesystem;

namespace {

struct Live {
    test::TemporaryFolder temp;
    TreeBuilder tree{temp.path() / "tree"};
    std::string history = (temp.path() / "tree/.history").string();
    std::shared_ptr<ManualQueue> queue = std::make_shared<ManualQueue>();
    std::shared_ptr<WorkerPool> pool = std::make_shared<WorkerPool>(3);
    std::shared_ptr<ScanSession> session;
    int settled = 0;
    int ready = 0;
    std::shared_ptr<LiveUpdater> updater = std::make_shared<LiveUpdater>(
        LiveUpdater::Context{queue, history, 0.05},
        LiveUpdater::Hooks{.settled = [this] { ++settled; },
                           .ready = [this](const FolderWatcher::Coverage&) { ++ready; },
                           .limitReached = {}});

    // Starts a scan as the window does: the watcher stops, and replays from now.
    void startScan() {
        updater->scanStarting();
        session = std::make_shared<ScanSession>(tree.root().string(), std::nullopt, PathSet{},
                                                std::nullopt, 1'000'000,
                                                ScanSession::Context{queue, pool, 2});
        session->start();
    }
    void finishScan() {
        ASSERT_TRUE(queue->runUntil([&] { return !session->isRunning(); }, 20s));
        updater->restart(session);
        ASSERT_TRUE(queue->runUntil([&] { return ready > 0; }, 20s));
    }
    void scan() {
        startScan();
        finishScan();
    }
    std::string difference() const {
        auto fresh = test::freshScan(tree.root().string());
        return fresh ? test::treeDifference(*session->root(), *fresh) : "no fresh scan";
    }
    // Runs until the tree has settled on what a new scan finds, checking after each batch.
    std::string caughtUp() {
        int checked = settled;
        std::string last = "nothing settled";
        queue->runUntil(
            [&] {
                if (settled == checked)
                    return false;
                checked = settled;
                last = difference();
                return last.empty();
            },
            20s);
        return last;
    }
    Node* node(const std::string& relative) const {
        return session->root()->descendant(tree.path(relative));
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

TEST(LiveUpdater, TheWatcherStartsOnceThePoolHasListedTheFoldersWithTheTreeHeld) {
    Live live;
    live.tree.file("a/b/file", 2'000'000);
    live.startScan();
    ASSERT_TRUE(live.queue->runUntil([&] { return !live.session->isRunning(); }, 20s));
    live.updater->restart(live.session);
    EXPECT_FALSE(live.updater->watcher()) << "nothing is listed on the UI thread";
    EXPECT_TRUE(live.session->isPaused()) << "the tree holds still while the pool lists it";
    ASSERT_TRUE(live.queue->runUntil([&] { return live.ready > 0; }, 20s));
    EXPECT_TRUE(live.updater->watcher());
    EXPECT_FALSE(live.session->isPaused());

    live.updater->restart(live.session);
    live.updater->stop();
    live.queue->runUntil([] { return false; }, 300ms);
    EXPECT_FALSE(live.updater->watcher()) << "a listing that ends after a stop starts nothing";
    EXPECT_FALSE(live.session->isPaused());
}

TEST(LiveUpdater, ChangesMadeWhileTheScanRanAreReplayed) {
    Live live;
    auto& tree = live.tree;
    for (int i = 0; i < 30; ++i)
        tree.file("many/" + std::to_string(i) + "/file", 10'000);
    live.startScan();
    // Made while the walkers run (or just after): the next watcher must catch them either way.
    tree.file("many/7/grown", 4'000'000);
    fs::remove_all(tree.path("many/12"));
    tree.file("late/file", 2'000'000);
    live.finishScan();
    EXPECT_EQ(live.caughtUp(), "");
    // Folders made meanwhile are watched too, though the scan never saw them.
    tree.file("late/second", 3'000'000);
    tree.file("many/7/new/deeper/file", 1'000'000);
    EXPECT_EQ(live.caughtUp(), "");
}

TEST(LiveUpdater, LostDetailWalksTheWholeRootAgain) {
    Live live;
    auto& tree = live.tree;
    tree.file("a/b/c/d/e/file", 2'000'000);
    tree.file("z/file", 2'000'000);
    live.scan();
    live.updater->stop(); // changes made now reach no watcher
    tree.file("a/b/c/d/e/more", 3'000'000);
    fs::remove(tree.path("z/file"));
    Node* root = live.session->root().get();
    // What the watcher reports when the kernel's queue overflowed.
    live.updater->handle({{tree.root().string(), true}});
    ASSERT_TRUE(live.queue->runUntil([&] { return live.updater->rescansRunning() == 0; }, 20s));
    EXPECT_EQ(live.difference(), "");
    EXPECT_EQ(live.session->root().get(), root) << "walked in place";
}

TEST(LiveUpdater, TheProgramsOwnWritesCauseNoWork) {
    Live live;
    live.tree.folder("a");
    live.scan();
    live.updater->handle({{live.history, false}, {live.history + "/abc", true}});
    EXPECT_TRUE(live.updater->refreshQueue().empty());
    EXPECT_FALSE(live.updater->isRefreshing());
    EXPECT_EQ(live.updater->rescansRunning(), 0);
    live.updater->handle({{live.history + "x", false}});
    EXPECT_TRUE(live.updater->isRefreshing()) << "a sibling whose name only begins the same";
}

TEST(LiveUpdater, StoppingOrANewScanWhileRefreshingLeavesNothingHalfDone) {
    Live live;
    auto& tree = live.tree;
    for (int i = 0; i < 5; ++i)
        tree.file("d" + std::to_string(i) + "/file", 10);
    live.scan();
    for (int i = 0; i < 5; ++i)
        tree.file("d" + std::to_string(i) + "/big", 2'000'000);
    for (int i = 0; i < 5; ++i)
        live.updater->enqueueRefresh(tree.path("d" + std::to_string(i)));
    live.queue->runPending(); // the first refresh is under way
    live.updater->stop();
    EXPECT_FALSE(live.updater->isRefreshing());
    EXPECT_TRUE(live.updater->refreshQueue().empty());
    live.queue->runUntil([] { return false; }, 300ms);
    EXPECT_TRUE(live.updater->refreshQueue().empty());
    for (int i = 0; i < 5; ++i)
        EXPECT_FALSE(live.node("d" + std::to_string(i))->isScanning);

    // Refreshes queued for the old scan never touch the new one.
    for (int i = 0; i < 5; ++i)
        live.updater->enqueueRefresh(tree.path("d" + std::to_string(i)));
    auto old = live.session;
    live.startScan();
    EXPECT_TRUE(live.updater->refreshQueue().empty());
    live.finishScan();
    EXPECT_EQ(live.difference(), "");
    EXPECT_GT(live.updater->watchSince(), old->startDate() - 1s);
}

} // namespace
