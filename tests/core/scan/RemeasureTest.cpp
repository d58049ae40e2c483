// Measuring folders again after a scan: ScanSession's rescan and refresh.

#include "scan/ScanSession.h"
#include "support/Forked.h"
#include "support/NodeLookup.h"
#include "support/PoolGate.h"
#include "support/TemporaryFolder.h"
#include "support/TreeBuilder.h"
#include "support/TreeCompare.h"
#include "util/ManualQueue.h"

#include <filesystem>
#include <future>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace tavelin;
using namespace std::chrono_literals;
using test::TreeBuilder;
namespace fs = std::filesystem;

namespace {

struct Scanned {
    test::TemporaryFolder temp;
    TreeBuilder tree{temp.path() / "tree"};
    std::shared_ptr<ManualQueue> queue = std::make_shared<ManualQueue>();
    std::shared_ptr<WorkerPool> pool = std::make_shared<WorkerPool>(2);
    std::shared_ptr<ScanSession> session;
    int changes = 0;

    void start() {
        session = std::make_shared<ScanSession>(tree.root().string(), std::nullopt, PathSet{},
                                                std::nullopt, 1'000'000,
                                                ScanSession::Context{queue, pool, 2});
        session->onChange = [this] { ++changes; };
        session->start();
    }
    void scan() {
        start();
        ASSERT_TRUE(queue->runUntil([&] { return !session->isRunning(); }, 20s));
        changes = 0;
    }
    Node& root() const { return *session->root(); }
    Node* node(const std::string& relative) const {
        return root().descendant(relative.empty() ? tree.root().string() : tree.path(relative));
    }
    Node::Ptr pointer(const std::string& relative) const {
        Node* found = node(relative);
        return found ? found->shared_from_this() : nullptr;
    }
    // Runs the main queue until the measurement calls back.
    bool wait(const std::function<void(std::function<void()>)>& measure) {
        bool done = false;
        measure([&] { done = true; });
        return queue->runUntil([&] { return done; }, 20s);
    }
    bool refreshed(const std::string& relative) {
        return wait([&](auto done) { session->refresh(tree.path(relative), done); });
    }
    bool rescanned(const std::string& relative) {
        return wait([&](auto done) { session->rescan(pointer(relative), done); });
    }
    std::string difference() const {
        auto fresh = test::freshScan(tree.root().string());
        return fresh ? test::treeDifference(root(), *fresh) : "no fresh scan";
    }
};

TEST(Remeasure, RefreshingChangedFoldersGivesWhatANewScanGives) {
    Scanned scanned;
    auto& tree = scanned.tree;
    tree.file("docs/big", 3'000'000);
    tree.file("docs/small", 5000);
    tree.file("docs/grows", 900'000);
    tree.file("docs/old/inside/file", 2'000'000);
    tree.file("docs/renamed/file", 1'500'000);
    tree.file("other/file", 10);
    scanned.scan();

    tree.file("docs/new big", 2'500'000);
    tree.file("docs/new small", 300);
    tree.file("docs/grows", 1'200'000); // now a large file of its own
    fs::remove(tree.path("docs/big"));
    fs::remove_all(tree.path("docs/old"));
    fs::rename(tree.path("docs/renamed"), tree.path("docs/moved"));
    tree.file("docs/arrived/deep/er/file", 4'000'000);
    tree.file("docs/line\nbreak/\"quoted\"", 2'000'000);
    ASSERT_TRUE(scanned.refreshed("docs"));
    EXPECT_EQ(scanned.difference(), "");
    EXPECT_EQ(scanned.session->bytes(), scanned.root().size);
    EXPECT_EQ(scanned.session->files(), scanned.root().fileCount);
    EXPECT_GT(scanned.changes, 0);
}

TEST(Remeasure, OnlyChangesWorthShowingAreTold) {
    Scanned scanned;
    auto& tree = scanned.tree;
    tree.file("a/b/part", 400'000);
    tree.file("a/b/keep", 100);
    tree.file("a/b/large", 2'000'000);
    tree.folder("a/b/empty");
    scanned.scan();
    Node::Ptr large = scanned.pointer("a/b/large");
    int64_t before = scanned.root().size;
    int64_t folder = scanned.node("a")->size;
    int64_t part = test::allocatedBytes(tree.path("a/b/part"));

    // Less than a megabyte in both measures together.
    fs::remove(tree.path("a/b/part"));
    ASSERT_TRUE(scanned.refreshed("a/b"));
    EXPECT_EQ(scanned.changes, 0) << "too small a change to redraw for";
    EXPECT_EQ(scanned.root().size, before - part) << "but every ancestor is lowered";
    EXPECT_EQ(scanned.node("a")->size, folder - part);
    EXPECT_EQ(scanned.node("a/b/large"), large.get()) << "a file listed again keeps its node";

    fs::remove(tree.path("a/b/empty"));
    ASSERT_TRUE(scanned.refreshed("a/b"));
    EXPECT_EQ(scanned.changes, 1) << "a folder that vanished is always shown";
    EXPECT_EQ(scanned.difference(), "");
}

TEST(Remeasure, APathNotInTheTreeRefreshesItsNearestAncestorAndANewFolderShowsAtOnce) {
    Scanned scanned;
    scanned.tree.folder("a");
    scanned.scan();
    scanned.tree.file("a/x/y/file", 2'000'000);
    ASSERT_TRUE(scanned.refreshed("a/x/y"));
    EXPECT_EQ(scanned.difference(), "");

    // The root itself is the nearest one for folders made right beneath it.
    scanned.tree.file("top/deeper/file", 2'000'000);
    ASSERT_TRUE(scanned.refreshed("top/deeper"));
    EXPECT_EQ(scanned.difference(), "");

    // A path outside the scanned folder changes nothing.
    int before = scanned.changes;
    ASSERT_TRUE(scanned.wait(
        [&](auto done) { scanned.session->refresh(scanned.temp.path().string(), done); }));
    EXPECT_EQ(scanned.changes, before);

    // A new folder shows while its walk runs, and its size once walked.
    scanned.tree.file("a/new/deep/file", 3'000'000);
    std::vector<std::pair<bool, int64_t>> seen; // the new folder at each change: walking, size
    scanned.session->onChange = [&] {
        if (Node* added = scanned.node("a/new"))
            seen.emplace_back(added->isScanning, added->size);
    };
    ASSERT_TRUE(scanned.refreshed("a"));
    ASSERT_GE(seen.size(), 2u);
    EXPECT_TRUE(seen.front().first);
    EXPECT_EQ(seen.front().second, test::allocatedBytes(scanned.tree.path("a/new")));
    EXPECT_FALSE(seen.back().first);
    EXPECT_GT(seen.back().second, 3'000'000);
    EXPECT_EQ(scanned.difference(), "");
}

TEST(Remeasure, FoldersThatVanishOrChangeKindLeaveTheTreeAndTheRootIsWalkedInPlace) {
    Scanned scanned;
    auto& tree = scanned.tree;
    tree.file("gone/file", 2'000'000);
    tree.file("filed/file", 2'000'000);
    tree.file("linked/file", 2'000'000);
    tree.file("kept/file", 2'000'000);
    scanned.scan();
    Node::Ptr gone = scanned.pointer("gone");

    fs::remove_all(tree.path("gone"));
    ASSERT_TRUE(scanned.rescanned("gone"));
    EXPECT_FALSE(gone->isAttached());
    EXPECT_EQ(scanned.root().size, test::freshScan(tree.root().string())->size);

    // A folder replaced by a file, then rescanned: still there, but no folder to walk.
    Node::Ptr filed = scanned.pointer("filed");
    fs::remove_all(tree.path("filed"));
    tree.file("filed", 10);
    ASSERT_TRUE(scanned.rescanned("filed"));
    EXPECT_TRUE(filed->isUnreadable);

    // Its parent's listing and a link in place of a folder set everything right.
    fs::remove_all(tree.path("linked"));
    tree.symlink("kept", "linked");
    ASSERT_TRUE(scanned.refreshed(""));
    EXPECT_EQ(scanned.difference(), "");
    EXPECT_EQ(scanned.node("kept")->fileCount, 1) << "the link is not followed";

    // The root itself is walked again in place.
    Node* root = &scanned.root();
    tree.file("kept/a/b/c/d/e/f/file", 2'000'000);
    fs::remove(tree.path("kept/file"));
    ASSERT_TRUE(scanned.rescanned(""));
    EXPECT_EQ(&scanned.root(), root);
    EXPECT_TRUE(root->isRoot());
    EXPECT_EQ(scanned.difference(), "");
    EXPECT_EQ(scanned.session->bytes(), root->size);
}

// Root reads everything, so the tree is made, scanned and locked by a child that has given up
// root, and its worker threads are its own.
TEST(Remeasure, AFolderThatBecameUnreadableShowsAsANewScanWouldShowIt) {
    test::ChildOutcome outcome = test::inChildProcess([] {
        if (::getuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(2);
        Scanned scanned;
        auto& tree = scanned.tree;
        tree.file("open/file", 2'000'000);
        tree.file("locked/inside/file", 3'000'000);
        tree.file("locked/file", 2'000'000);
        scanned.scan();
        fs::permissions(tree.path("locked"), fs::perms::none);
        bool refreshed = scanned.refreshed("locked");
        Node* locked = scanned.node("locked");
        std::array<int64_t, 3> report{refreshed && locked && locked->isUnreadable,
                                      locked && locked->children().empty(),
                                      scanned.difference().empty()};
        fs::permissions(tree.path("locked"), fs::perms::owner_all);
        return report;
    });
    if (outcome.status == 2)
        GTEST_SKIP() << "could not drop root privileges to make a folder unreadable";
    ASSERT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.report[0], 1) << "marked unreadable";
    EXPECT_EQ(outcome.report[1], 1) << "what it held is no longer counted";
    EXPECT_EQ(outcome.report[2], 1) << "as a new scan finds it";
}

TEST(Remeasure, AMeasurementWaitsForAWalkOfItsFolderOrOneAbove) {
    Scanned scanned;
    auto& tree = scanned.tree;
    tree.file("a/b/file", 10);
    scanned.scan();
    std::vector<std::string> ended;
    {
        test::PoolGate gate(*scanned.pool);
        scanned.session->rescan(scanned.pointer("a"), [&] { ended.push_back("a"); });
        scanned.session->rescan(scanned.pointer("a/b"), [&] { ended.push_back("a/b"); });
        scanned.session->refresh(tree.path("a/b"), [&] { ended.push_back("refresh a/b"); });
        scanned.session->rescan(scanned.pointer("a"), [&] { ended.push_back("a again"); });
        tree.file("a/b/added", 3'000'000);
    }
    ASSERT_TRUE(scanned.queue->runUntil([&] { return ended.size() == 4; }, 20s));
    EXPECT_EQ(ended.front(), "a");
    EXPECT_EQ(scanned.difference(), "");
    EXPECT_FALSE(scanned.node("a")->isScanning);
}

TEST(Remeasure, NothingChangesWhilePausedOrAfterCancel) {
    Scanned scanned;
    scanned.tree.file("a/file", 10);
    scanned.scan();
    scanned.tree.file("a/big", 3'000'000);
    int64_t before = scanned.root().size;
    scanned.session->pauseTreeUpdates();
    bool done = false;
    scanned.session->refresh(scanned.tree.path("a"), [&] { done = true; });
    scanned.queue->runUntil([] { return false; }, 300ms);
    EXPECT_FALSE(done);
    EXPECT_EQ(scanned.root().size, before);
    scanned.session->resumeTreeUpdates();
    ASSERT_TRUE(scanned.queue->runUntil([&] { return done; }, 20s));
    EXPECT_EQ(scanned.difference(), "");

    scanned.tree.file("a/bigger", 3'000'000);
    before = scanned.root().size;
    scanned.session->pauseTreeUpdates();
    done = false;
    scanned.session->rescan(scanned.pointer("a"), [&] { done = true; });
    scanned.session->cancel();
    EXPECT_TRUE(done) << "held work ends with the scan";
    scanned.queue->runUntil([] { return false; }, 100ms);
    EXPECT_EQ(scanned.root().size, before);
}

TEST(Remeasure, NothingIsRefreshedWhileTheScanRuns) {
    Scanned scanned;
    scanned.tree.file("a/file", 10);
    test::PoolGate gate(*scanned.pool);
    scanned.start();
    bool done = false;
    scanned.session->refresh(scanned.tree.path("a"), [&] { done = true; });
    EXPECT_TRUE(done);
    gate.open();
    ASSERT_TRUE(scanned.queue->runUntil([&] { return !scanned.session->isRunning(); }, 20s));
}

TEST(Remeasure, AFileWithSeveralNamesStillCountsOnce) {
    Scanned scanned;
    auto& tree = scanned.tree;
    tree.file("one/shared", 3'000'000);
    tree.hardLink("one/shared", "two/shared");
    tree.hardLink("one/shared", "three/deep/shared");
    scanned.scan();
    int64_t total = scanned.root().size;
    for (const char* folder : {"one", "two", "three/deep"})
        ASSERT_TRUE(scanned.refreshed(folder));
    EXPECT_EQ(scanned.root().size, total) << "counted once, wherever it is listed again";
    ASSERT_TRUE(scanned.rescanned("three"));
    ASSERT_TRUE(scanned.rescanned("two"));
    EXPECT_EQ(scanned.root().size, total) << "or walked again";
    ASSERT_TRUE(scanned.rescanned(""));
    EXPECT_EQ(scanned.root().size, total);
    EXPECT_EQ(scanned.root().fileCount, 1);

    // Whichever name was counted, once it is gone the file counts where a name is left.
    for (const char* name : {"one/shared", "two/shared"}) {
        fs::remove(tree.path(name));
        for (const char* folder : {"one", "two", "three/deep"})
            ASSERT_TRUE(scanned.refreshed(folder));
    }
    EXPECT_EQ(scanned.difference(), "");
    EXPECT_TRUE(test::childNamed(*scanned.node("three/deep"), "shared"));
}

} // namespace
