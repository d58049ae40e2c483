#include "scan/ScanSession.h"

#include "scan/LinkSet.h"
#include "scan/ScanProgress.h"
#include "scan/TreeScanner.h"
#include "support/NodeLookup.h"
#include "support/TemporaryFolder.h"
#include "support/TreeBuilder.h"
#include "util/ManualQueue.h"

#include <gtest/gtest.h>

using namespace tavelin;
using namespace std::chrono_literals;
using test::TreeBuilder;

namespace {

struct Harness {
    std::shared_ptr<ManualQueue> queue = std::make_shared<ManualQueue>();
    std::shared_ptr<WorkerPool> pool = std::make_shared<WorkerPool>(2);
    std::shared_ptr<ScanSession> session;
    int changes = 0;
    int finishes = 0;

    explicit Harness(const std::string& path, PathSet skip = {},
                     std::optional<int64_t> expected = std::nullopt) {
        session = std::make_shared<ScanSession>(path, std::nullopt, std::move(skip), expected,
                                                1'000'000, ScanSession::Context{queue, pool, 2});
        session->onChange = [this] { ++changes; };
        session->onFinish = [this](const Node::Ptr& root) {
            EXPECT_EQ(root, session->root());
            ++finishes;
        };
    }

    bool runUntil(const std::function<bool()>& done) { return queue->runUntil(done, 20s); }
    // Starts paused and waits until the first listing is held back.
    bool startPausedUntilHeld() {
        session->pauseTreeUpdates();
        session->start();
        return runUntil([&] { return session->heldCount() == 1; });
    }
    bool runToEnd() {
        return runUntil([&] { return !session->isRunning(); });
    }
};

int64_t walkerTotal(const std::string& path) {
    ScanCounter counter;
    LinkSet links;
    PathSet skip;
    auto root = TreeScanner::scan(path, counter, links, 1'000'000, skip, true, nullptr,
                                  std::nullopt, [] { return false; });
    return root ? root->size : -1;
}

} // namespace

TEST(ScanSession, TotalsEqualOneWalkerOverTheSameTreeWithHardLinksOnce) {
    test::TemporaryFolder temp;
    TreeBuilder tree(temp.path());
    for (int i = 0; i < 6; ++i) {
        std::string top = "top" + std::to_string(i);
        tree.file(top + "/a/b/c/d/e/deep" + std::to_string(i), 1'500'000);
        tree.file(top + "/a/small", 3000);
        tree.file(top + "/x/y/big", 2'000'000);
        tree.hardLink(top + "/x/y/big", "linked/big" + std::to_string(i));
    }
    tree.file("root file", 1'200'000);

    Harness harness(temp.string());
    harness.session->start();
    ASSERT_TRUE(harness.runToEnd());
    const Node& root = *harness.session->root();
    EXPECT_EQ(harness.finishes, 1);
    EXPECT_GT(harness.changes, 0);
    EXPECT_EQ(root.size, walkerTotal(temp.string()) + test::allocatedBytes(temp.string()))
        << "the walker leaves the top folder's own blocks out";
    EXPECT_EQ(root.fileCount, 6 * 3 + 1);
    EXPECT_EQ(harness.session->bytes(), root.size);
    EXPECT_EQ(harness.session->files(), root.fileCount);
    EXPECT_EQ(harness.session->errors(), 0);
    EXPECT_FALSE(root.isScanning);
    EXPECT_TRUE(harness.session->endDate().has_value());
    EXPECT_TRUE(harness.session->currentPath().empty());
    EXPECT_EQ(harness.session->kinds().entries().at("").files, 6 * 3 + 1);
    for (const auto& job : harness.session->jobs()) {
        EXPECT_TRUE(job->done);
        EXPECT_FALSE(job->node->isScanning) << job->node->path();
    }
    Node* top = test::childNamed(*harness.session->root(), "top0");
    ASSERT_TRUE(top);
    EXPECT_EQ(top->descendant(temp.string() + "/top0/a/b/c/d/e")->fileCount, 1);
}

TEST(ScanSession, FoldersDownToDepthThreeAreListedAndDepthFourIsWalkedWhole) {
    test::TemporaryFolder temp;
    TreeBuilder tree(temp.path());
    tree.file("a/b/c/d/e/f/file", 10);
    Harness harness(temp.string());
    harness.session->start();
    ASSERT_TRUE(harness.runToEnd());
    std::vector<std::pair<std::string, bool>> jobs;
    for (const auto& job : harness.session->jobs()) {
        jobs.emplace_back(job->node->name, job->split);
        EXPECT_EQ(job->depth, static_cast<int>(jobs.size()));
    }
    EXPECT_EQ(jobs, (std::vector<std::pair<std::string, bool>>{
                        {"a", true}, {"b", true}, {"c", true}, {"d", false}}));
    EXPECT_EQ(harness.session->root()->fileCount, 1);
}

TEST(ScanSession, ARootWithOnlyFilesFinishesWithItsOwnBlocksCounted) {
    test::TemporaryFolder temp;
    TreeBuilder tree(temp.path());
    std::string big = tree.file("big", 2'000'000);
    std::string small = tree.file("small", 100);
    Harness harness(temp.string());
    harness.session->start();
    EXPECT_TRUE(harness.session->jobs().empty());
    ASSERT_TRUE(harness.runToEnd());
    EXPECT_EQ(harness.finishes, 1);
    EXPECT_EQ(harness.session->root()->size, test::allocatedBytes(temp.string()) +
                                                 test::allocatedBytes(big) +
                                                 test::allocatedBytes(small));
    EXPECT_EQ(harness.session->root()->smallFileCount, 1);
    EXPECT_EQ(harness.session->root()->children().size(), 1u);
}

TEST(ScanSession, ASkippedFirstLevelFolderCountsOnlyItsOwnBlocks) {
    test::TemporaryFolder temp;
    TreeBuilder tree(temp.path());
    tree.file("Private/secret", 5'000'000);
    tree.file("Public/open", 100);
    Harness harness(temp.string(), PathSet{tree.path("Private")});
    harness.session->start();
    ASSERT_TRUE(harness.runToEnd());
    Node* skipped = test::childNamed(*harness.session->root(), "Private");
    ASSERT_TRUE(skipped);
    EXPECT_TRUE(skipped->needsAccess);
    EXPECT_EQ(skipped->size, test::allocatedBytes(tree.path("Private")));
    EXPECT_EQ(harness.session->jobs().size(), 1u);
    EXPECT_EQ(harness.session->root()->size, test::allocatedBytes(temp.string()) +
                                                 test::allocatedBytes(tree.path("Private")) +
                                                 test::allocatedBytes(tree.path("Public/open")));
    EXPECT_EQ(harness.session->root()->fileCount, 1);
}

TEST(ScanSession, HeldResultsAreGraftedOnlyAfterResume) {
    test::TemporaryFolder temp;
    TreeBuilder tree(temp.path());
    tree.file("only/file", 2'000'000);
    Harness harness(temp.string());
    ASSERT_TRUE(harness.startPausedUntilHeld());
    Node* only = test::childNamed(*harness.session->root(), "only");
    ASSERT_TRUE(only);
    EXPECT_TRUE(only->children().empty()) << "nothing is grafted while paused";
    harness.queue->runUntil([] { return false; }, 300ms);
    EXPECT_TRUE(harness.session->isRunning()) << "a paused scan does not finish";

    harness.session->resumeTreeUpdates();
    ASSERT_TRUE(harness.runToEnd());
    EXPECT_EQ(harness.finishes, 1);
    EXPECT_EQ(only->fileCount, 1);
    EXPECT_EQ(only->children().size(), 1u);
}

TEST(ScanSession, CancellingWhilePausedGraftsNothingAndNeverFinishes) {
    test::TemporaryFolder temp;
    TreeBuilder tree(temp.path());
    tree.file("a/b/file", 2'000'000);
    Harness harness(temp.string());
    ASSERT_TRUE(harness.startPausedUntilHeld());
    harness.session->cancel();
    EXPECT_FALSE(harness.session->isRunning());
    harness.session->resumeTreeUpdates();
    harness.queue->runUntil([] { return false; }, 400ms);
    EXPECT_EQ(harness.finishes, 0);
    EXPECT_FALSE(harness.session->endDate().has_value());
    EXPECT_EQ(harness.session->heldCount(), 0u);
    EXPECT_EQ(harness.session->jobs().size(), 1u) << "the held listing made no new jobs";
    EXPECT_TRUE(test::childNamed(*harness.session->root(), "a")->children().empty());
}

TEST(ScanSession, RemovingAFirstLevelFolderWithARunningJobDropsItFromTheTotal) {
    test::TemporaryFolder temp;
    TreeBuilder tree(temp.path());
    tree.file("gone/big", 3'000'000);
    tree.file("kept/big", 2'000'000);
    std::string loose = tree.file("loose", 1'500'000);
    Harness harness(temp.string());
    harness.session->start();
    Node::Ptr gone;
    for (const auto& node : harness.session->root()->children())
        if (node->name == "gone")
            gone = node;
    ASSERT_TRUE(gone);
    harness.session->remove(gone);
    EXPECT_EQ(harness.session->topJobs().size(), 1u);

    Node::Ptr looseNode;
    for (const auto& node : harness.session->root()->children())
        if (node->name == "loose")
            looseNode = node;
    int64_t baseBefore = harness.session->baseSize();
    harness.session->remove(looseNode);
    EXPECT_EQ(harness.session->baseSize(), baseBefore - test::allocatedBytes(loose));

    ASSERT_TRUE(harness.runToEnd());
    EXPECT_EQ(harness.session->root()->size,
              test::allocatedBytes(temp.string()) + test::allocatedBytes(tree.path("kept/big")));
    EXPECT_EQ(harness.session->root()->fileCount, 1);
    EXPECT_EQ(test::childNamed(*harness.session->root(), "gone"), nullptr);
}

TEST(ScanSession, RemovalsWhilePausedWaitForResume) {
    test::TemporaryFolder temp;
    TreeBuilder tree(temp.path());
    tree.file("loose", 1'500'000);
    Harness harness(temp.string());
    harness.session->start();
    ASSERT_TRUE(harness.runToEnd());
    harness.session->pauseTreeUpdates();
    Node::Ptr loose = harness.session->root()->children().front();
    int64_t before = harness.session->root()->size;
    harness.session->remove(loose);
    EXPECT_EQ(harness.session->root()->size, before);
    harness.session->resumeTreeUpdates();
    EXPECT_EQ(harness.session->root()->size, before - loose->size);
    EXPECT_EQ(harness.session->bytes(), harness.session->root()->size);
}

TEST(ScanSession, AMissingRootIsUnreadableAndNeverReportedAsFinished) {
    test::TemporaryFolder temp;
    Harness harness(temp.string() + "/missing/..//missing/");
    EXPECT_EQ(harness.session->path(), temp.string() + "/missing");
    EXPECT_EQ(harness.session->root()->name, "missing");
    harness.session->start();
    EXPECT_FALSE(harness.session->isRunning());
    EXPECT_TRUE(harness.session->root()->isUnreadable);
    EXPECT_EQ(harness.session->errors(), 1);
    EXPECT_EQ(harness.finishes, 0);
    EXPECT_EQ(harness.changes, 1);
}

TEST(ScanSession, WorkerCountLeavesTwoCoresFreeWithinTwoToEight) {
    EXPECT_EQ(ScanSession::workerCount(1), 2);
    EXPECT_EQ(ScanSession::workerCount(4), 2);
    EXPECT_EQ(ScanSession::workerCount(7), 5);
    EXPECT_EQ(ScanSession::workerCount(10), 8);
    EXPECT_EQ(ScanSession::workerCount(64), 8);
}

TEST(ScanProgress, FractionUsesTheFirstPositiveEstimateAndNeverReachesOne) {
    EXPECT_EQ(ScanProgress::fraction(50, 0, 100), 0.5);
    EXPECT_EQ(ScanProgress::fraction(25, 50, 1000), 0.5);
    EXPECT_EQ(ScanProgress::fraction(120, 100, std::nullopt), 0.99);
    EXPECT_EQ(ScanProgress::fraction(-5, 100, std::nullopt), 0.0);
    EXPECT_EQ(ScanProgress::fraction(50, std::nullopt, std::nullopt), std::nullopt);
    EXPECT_EQ(ScanProgress::fraction(50, 0, 0), std::nullopt);
}
