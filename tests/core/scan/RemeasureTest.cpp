// Measuring folders again after a scan: ScanSession's rescan and refresh.

#include "core/scan/SessionHarness.h"
#include "support/Forked.h"
#include "support/NodeLookup.h"
#include "support/PoolGate.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace tavelin;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

using Scanned = test::SessionHarness;

TEST(Remeasure, RefreshesAndRescansGiveWhatANewScanGivesTellOnlyChangesWorthShowingCountLinksOnce) {
    Scanned scanned;
    auto& tree = scanned.tree;
    tree.file("a/b/part", 400'000);
    tree.file("a/b/keep", 100);
    tree.file("a/b/large", 2'000'000);
    tree.folder("a/b/empty");
    for (const char* folder : {"gone", "filed", "linked", "kept"})
        tree.file(std::string(folder) + "/file", 2'000'000);
    ASSERT_TRUE(scanned.scan());
    scanned.changes = 0;
    Node::Ptr large = scanned.pointer("a/b/large");
    int64_t before = scanned.root().size;
    int64_t folder = scanned.node("a")->size;
    int64_t part = test::allocatedBytes(tree.path("a/b/part"));

    // Less than a megabyte in both measures together.
    fs::remove(tree.path("a/b/part"));
    ASSERT_TRUE(scanned.refreshed("a/b"));
    EXPECT_EQ(scanned.changes, 0) << "too small a change to redraw for";
    EXPECT_EQ(std::pair(scanned.root().size, scanned.node("a")->size),
              std::pair(before - part, folder - part))
        << "but every ancestor is lowered";
    EXPECT_EQ(scanned.node("a/b/large"), large.get()) << "a file listed again keeps its node";
    fs::remove(tree.path("a/b/empty"));
    ASSERT_TRUE(scanned.refreshed("a/b"));
    EXPECT_EQ(scanned.changes, 1) << "a folder that vanished is always shown";
    EXPECT_EQ(scanned.difference(), "");

    // A path not in the tree refreshes its nearest ancestor, the root for folders made right
    // beneath it; a path outside the scanned folder changes nothing.
    for (const char* path : {"a/x/y", "top/deeper"}) {
        tree.file(std::string(path) + "/file", 2'000'000);
        ASSERT_TRUE(scanned.refreshed(path));
        EXPECT_EQ(scanned.difference(), "") << path;
    }
    int changes = scanned.changes;
    ASSERT_TRUE(scanned.wait(
        [&](auto done) { scanned.session->refresh(scanned.temp.path().string(), done); }));
    EXPECT_EQ(scanned.changes, changes);

    // A new folder shows while its walk runs, and its size once walked.
    tree.file("a/new/deep/file", 3'000'000);
    std::vector<std::pair<bool, int64_t>> seen; // the new folder at each change: walking, size
    scanned.session->onChange = [&] {
        if (Node* added = scanned.node("a/new"))
            seen.emplace_back(added->isScanning, added->size);
    };
    ASSERT_TRUE(scanned.refreshed("a"));
    ASSERT_GE(seen.size(), 2u);
    EXPECT_EQ(seen.front(), std::pair(true, test::allocatedBytes(tree.path("a/new"))));
    EXPECT_FALSE(seen.back().first);
    EXPECT_GT(seen.back().second, 3'000'000);
    EXPECT_EQ(scanned.difference(), "");

    // Folders that vanish leave the tree.
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

    // A file with several names still counts once. Which walker meets it first is a race, so
    // the tree is compared with a new scan only once a single name is left.
    tree.file("one/shared", 3'000'000);
    tree.hardLink("one/shared", "two/shared");
    tree.hardLink("one/shared", "three/deep/shared");
    ASSERT_TRUE(scanned.rescanned(""));
    int64_t total = scanned.root().size;
    int64_t files = scanned.root().fileCount;
    auto refreshAll = [&] {
        for (const char* folder : {"one", "two", "three/deep"})
            ASSERT_TRUE(scanned.refreshed(folder));
    };
    refreshAll();
    EXPECT_EQ(scanned.root().size, total) << "counted once, wherever it is listed again";
    for (const char* folder : {"three", "two", ""})
        ASSERT_TRUE(scanned.rescanned(folder));
    EXPECT_EQ(std::pair(scanned.root().size, scanned.root().fileCount), std::pair(total, files))
        << "or walked again";

    // Whichever name was counted, once it is gone the file counts where a name is left.
    for (const char* name : {"one/shared", "two/shared"}) {
        fs::remove(tree.path(name));
        refreshAll();
    }
    EXPECT_EQ(scanned.difference(), "");
    EXPECT_TRUE(test::childNamed(*scanned.node("three/deep"), "shared"));
}

// Root reads everything, so the tree is made, scanned and locked by a child that has given up
// root, and its worker threads are its own.
TEST(Remeasure, FoldersUnreadableBeforeTheScanOrAfterShowAsANewScanWouldShowThem) {
    test::ChildOutcome outcome = test::inChildProcess([] {
        if (::getuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(2);
        Scanned scanned;
        auto& tree = scanned.tree;
        tree.file("open/file", 2'000'000);
        tree.file("locked/inside/file", 3'000'000);
        tree.file("locked/file", 2'000'000);
        // Deep enough to be met by a walker rather than by the session's own listing.
        tree.file("a/b/c/d/shut/file", 2'000'000);
        fs::permissions(tree.path("a/b/c/d/shut"), fs::perms::none);
        bool walked = scanned.scan();
        Node* shut = scanned.node("a/b/c/d/shut");
        fs::permissions(tree.path("locked"), fs::perms::none);
        bool refreshed = scanned.refreshed("locked");
        Node* locked = scanned.node("locked");
        std::array<int64_t, 3> report{
            walked && shut && shut->isUnreadable && scanned.session->errors() == 1,
            refreshed && locked && locked->isUnreadable && locked->children().empty(),
            scanned.difference().empty()};
        fs::permissions(tree.path("locked"), fs::perms::owner_all);
        fs::permissions(tree.path("a/b/c/d/shut"), fs::perms::owner_all);
        return report;
    });
    if (outcome.status == 2)
        GTEST_SKIP() << "could not drop root privileges to make a folder unreadable";
    ASSERT_EQ(outcome.status, 0);
    // Marked unreadable and counted as an error by the walk; marked unreadable by a refresh,
    // what it held no longer counted; as a new scan finds them.
    EXPECT_EQ(outcome.report, (std::array<int64_t, 3>{1, 1, 1}));
}

TEST(Remeasure, MeasurementsWaitForAWalkAboveAndNothingChangesWhileScanningPausedOrCancelled) {
    Scanned scanned;
    auto& tree = scanned.tree;
    tree.file("a/b/file", 10);
    bool done = false;
    {
        test::PoolGate gate(*scanned.pool);
        scanned.make().start();
        scanned.session->refresh(tree.path("a"), [&] { done = true; });
        EXPECT_TRUE(done) << "nothing is refreshed while the scan runs";
    }
    ASSERT_TRUE(scanned.runToEnd());

    // A measurement waits for a walk of its folder or one above.
    std::vector<std::string> ended;
    {
        test::PoolGate gate(*scanned.pool);
        scanned.session->rescan(scanned.pointer("a"), [&] { ended.push_back("a"); });
        scanned.session->rescan(scanned.pointer("a/b"), [&] { ended.push_back("a/b"); });
        scanned.session->refresh(tree.path("a/b"), [&] { ended.push_back("refresh a/b"); });
        scanned.session->rescan(scanned.pointer("a"), [&] { ended.push_back("a again"); });
        tree.file("a/b/added", 3'000'000);
    }
    ASSERT_TRUE(scanned.runUntil([&] { return ended.size() == 4; }));
    EXPECT_EQ(ended.front(), "a");
    EXPECT_EQ(scanned.difference(), "");
    EXPECT_FALSE(scanned.node("a")->isScanning);

    scanned.tree.file("a/big", 3'000'000);
    int64_t before = scanned.root().size;
    scanned.session->pauseTreeUpdates();
    done = false;
    scanned.session->refresh(scanned.tree.path("a"), [&] { done = true; });
    scanned.idle(300ms);
    EXPECT_FALSE(done);
    EXPECT_EQ(scanned.root().size, before);
    scanned.session->resumeTreeUpdates();
    ASSERT_TRUE(scanned.runUntil([&] { return done; }));
    EXPECT_EQ(scanned.difference(), "");

    scanned.tree.file("a/bigger", 3'000'000);
    before = scanned.root().size;
    scanned.session->pauseTreeUpdates();
    done = false;
    scanned.session->rescan(scanned.pointer("a"), [&] { done = true; });
    scanned.session->cancel();
    EXPECT_TRUE(done) << "held work ends with the scan";
    scanned.idle(100ms);
    EXPECT_EQ(scanned.root().size, before);
}

} // namespace
