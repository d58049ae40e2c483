#include "scan/ScanSession.h"

#include "scan/ScanProgress.h"
#include "support/BtrfsImage.h"
#include "support/NodeLookup.h"
#include "support/PoolGate.h"
#include "support/SyntheticTree.h"
#include "support/TemporaryFolder.h"
#include "support/TreeBuilder.h"
#include "support/TreeCompare.h"
#include "util/ManualQueue.h"

#include <algorithm>
#include <fcntl.h>
#include <future>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

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
                     std::optional<int64_t> expected = std::nullopt, int workers = 2) {
        session =
            std::make_shared<ScanSession>(path, std::nullopt, std::move(skip), expected, 1'000'000,
                                          ScanSession::Context{queue, pool, workers});
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
    // Starts the scan and lets its first-level jobs run; every job launched after them waits at
    // the gate returned until it opens.
    std::unique_ptr<test::PoolGate> startHoldingDeeperJobs() {
        test::PoolGate first(*pool);
        session->start();
        queue->runPending(); // launches the first-level jobs, which wait at `first`
        auto later = std::make_unique<test::PoolGate>(*pool);
        first.open();
        return later;
    }
    bool runUntilListed(size_t job) {
        return runUntil(
            [&] { return session->jobs().size() > job && session->jobs()[job]->listed; });
    }
    // Waits for the next refresh of the totals (the ticker's, when nothing else happens).
    bool runUntilRefreshed() {
        int before = changes;
        return runUntil([&] { return changes > before; });
    }
    Node* node(const std::string& path) const { return session->root()->descendant(path); }
};

// What a refresh shows: every folder the scan has listed holds the sum of what lies beneath it,
// its running jobs' folders counting what their counters reported.
void expectListedFoldersSumWhatIsBeneath(const ScanSession& session) {
    for (const auto& job : session.jobs()) {
        if (!job->listed || job->done)
            continue;
        int64_t size = job->own.size, unique = job->own.unique, files = job->own.files,
                apparent = job->own.apparent;
        for (const auto& child : job->node->children()) {
            if (!child->isDirectory())
                continue;
            size += child->size;
            unique += child->unique;
            files += child->fileCount;
            apparent += child->apparent;
        }
        EXPECT_EQ(job->node->size, size) << job->node->path();
        EXPECT_EQ(job->node->apparent, apparent) << job->node->path();
        EXPECT_EQ(job->node->unique, unique) << job->node->path();
        EXPECT_EQ(job->node->fileCount, files) << job->node->path();
        EXPECT_TRUE(std::is_sorted(job->node->children().begin(), job->node->children().end(),
                                   [](const auto& a, const auto& b) { return a->size > b->size; }));
    }
    int64_t root = session.baseSize();
    for (const auto* job : session.topJobs())
        root += job->node->size;
    EXPECT_EQ(session.root()->size, root);
    EXPECT_EQ(session.bytes(), root);
}

} // namespace

// Reached through a symbolic link, with a first-level folder skipped: the skipped one counts its
// own blocks only.
TEST(ScanSession, TotalsEqualDuWithHardLinksSparseFilesManyEmptyFoldersAndASkippedFolder) {
    test::TemporaryFolder temp;
    TreeBuilder tree(temp.path() / "real");
    for (int i = 0; i < 6; ++i) {
        std::string top = "top" + std::to_string(i);
        tree.file(top + "/a/b/c/d/e/deep" + std::to_string(i), 1'500'000);
        tree.file(top + "/a/small", 3000);
        tree.file(top + "/x/y/big", 2'000'000);
        tree.hardLink(top + "/x/y/big", "linked/big" + std::to_string(i));
        tree.sparseFile(top + "/a/b/sparse", 50'000'000);
    }
    // Folders own blocks of their own, and a folder of many entries owns more than one.
    for (int i = 0; i < 400; ++i)
        tree.folder("empty/" + std::to_string(i % 40) + "/" + std::to_string(i) +
                    std::string(100, 'e'));
    tree.file("root file", 1'200'000);
    tree.symlink("nowhere", "dangling");
    tree.file("Private/secret", 5'000'000);
    std::string link = TreeBuilder(temp.path()).symlink(tree.root().string(), "link");

    Harness harness(link + "/", PathSet{link + "/Private"});
    harness.session->onChange = [&] {
        ++harness.changes;
        expectListedFoldersSumWhatIsBeneath(*harness.session);
    };
    harness.session->start();
    ASSERT_TRUE(harness.runToEnd());
    const Node& root = *harness.session->root();
    EXPECT_EQ(harness.session->path(), link);
    EXPECT_EQ(root.name, "link");
    EXPECT_EQ(harness.finishes, 1);
    EXPECT_GT(harness.changes, 0);
    EXPECT_EQ(root.size, test::duBytes(tree.root().string()) - test::duBytes(tree.path("Private")) +
                             test::allocatedBytes(tree.path("Private")));
    struct stat privateFolder {};
    ASSERT_EQ(::lstat(tree.path("Private").c_str(), &privateFolder), 0);
    EXPECT_EQ(root.apparent, test::duBytes(tree.root().string(), true) -
                                 test::duBytes(tree.path("Private"), true) + privateFolder.st_size);
    EXPECT_EQ(root.unique, root.size) << "ext4 shares no data between files";
    EXPECT_EQ(root.fileCount, 6 * 4 + 2);
    EXPECT_EQ(harness.session->bytes(), root.size);
    EXPECT_EQ(harness.session->files(), root.fileCount);
    EXPECT_EQ(harness.session->errors(), 0);
    EXPECT_FALSE(root.isScanning);
    EXPECT_TRUE(harness.session->endDate().has_value());
    EXPECT_TRUE(harness.session->currentPath().empty());
    EXPECT_EQ(harness.session->kinds().entries().at("").files, 6 * 4 + 2);
    for (const auto& job : harness.session->jobs()) {
        EXPECT_TRUE(job->done);
        EXPECT_FALSE(job->node->isScanning) << job->node->path();
        EXPECT_NE(job->node->name, "Private") << "a skipped folder is not walked";
    }
    Node* skipped = test::childNamed(root, "Private");
    ASSERT_TRUE(skipped);
    EXPECT_TRUE(skipped->needsAccess);
    Node* empty = harness.node(link + "/empty/7");
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->fileCount, 0) << "own blocks are not files";
    EXPECT_EQ(empty->size, test::duBytes(tree.path("empty/7")));
    EXPECT_EQ(harness.node(link + "/top0/a/b/c/d/e")->fileCount, 1);
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
    int changes = harness.changes;
    harness.queue->runUntil([] { return false; }, 600ms);
    EXPECT_EQ(harness.changes, changes) << "a finished scan refreshes nothing more";
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
    // Each holder resumes for itself: the tree stays still until the last one does.
    harness.session->pauseTreeUpdates();
    harness.session->resumeTreeUpdates();
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

TEST(ScanSession, ARootWhoseListingBreaksOffPartwayKeepsWhatWasListed) {
    test::TemporaryFolder temp;
    test::BtrfsImage image(temp.path());
    if (!image.mounted())
        GTEST_SKIP() << image.whyNot();
    TreeBuilder tree(image.mountPoint() / "root");
    constexpr int kEntries = 3000;
    for (int i = 0; i < kEntries; ++i)
        tree.sparseFile("entry " + std::to_string(i) + std::string(60, '.'), 0);
    if (!image.breakListingPartway(tree.root().string()))
        GTEST_SKIP() << "the image's metadata could not be damaged here";

    Harness harness(tree.root().string());
    harness.session->start();
    ASSERT_TRUE(harness.runToEnd());
    const Node& root = *harness.session->root();
    EXPECT_TRUE(root.isUnreadable);
    EXPECT_EQ(harness.session->errors(), 1);
    EXPECT_GT(root.fileCount, 0) << "what was listed is kept";
    EXPECT_LT(root.fileCount, kEntries);
    EXPECT_EQ(harness.finishes, 1) << "the scan goes on and ends as usual";
}

TEST(ScanSession, WorkerCountIsEightPerCoreWithinEightToSixteen) {
    EXPECT_EQ(ScanSession::workerCount(0), 8) << "an unknown core count";
    EXPECT_EQ(ScanSession::workerCount(1), 8);
    EXPECT_EQ(ScanSession::workerCount(2), 16);
    EXPECT_EQ(ScanSession::workerCount(64), 16);
}

TEST(ScanProgress, FractionUsesTheFirstPositiveEstimateAndNeverReachesOne) {
    EXPECT_EQ(ScanProgress::fraction(50, 0, 100), 0.5);
    EXPECT_EQ(ScanProgress::fraction(25, 50, 1000), 0.5);
    EXPECT_EQ(ScanProgress::fraction(120, 100, std::nullopt), 0.99);
    EXPECT_EQ(ScanProgress::fraction(-5, 100, std::nullopt), 0.0);
    EXPECT_EQ(ScanProgress::fraction(50, std::nullopt, std::nullopt), std::nullopt);
    EXPECT_EQ(ScanProgress::fraction(50, 0, 0), std::nullopt);
}

TEST(ScanSession, ALongWalkSharedWithIdleWorkersGivesTheSameTree) {
    test::TemporaryFolder temp;
    TreeBuilder tree(temp.path());
    // One job walks everything below depth 4, while the other worker would sit idle.
    for (int i = 0; i < 30; ++i)
        for (int j = 0; j < 4; ++j) {
            std::string folder = "a/b/c/d/s" + std::to_string(i) + "/t" + std::to_string(j);
            tree.file(folder + "/file", j == 0 ? 1'000'000 : 5000);
            tree.file(folder + "/small.txt", 100);
            tree.folder(folder + "/u/v/w");
        }

    Harness harness(temp.string());
    harness.session->start();
    ASSERT_TRUE(harness.runToEnd());
    EXPECT_EQ(test::treeDifference(*harness.session->root(), *test::freshScan(temp.string())), "");
    EXPECT_EQ(harness.session->root()->size, test::duBytes(temp.string()));
    EXPECT_EQ(harness.session->root()->apparent, test::duBytes(temp.string(), true));
    EXPECT_EQ(harness.session->kinds().entries().at("txt").files, 30 * 4);
    EXPECT_EQ(harness.session->errors(), 0);
    EXPECT_EQ(harness.finishes, 1);
}

TEST(ScanSession, WhileJobsRunTotalsComeFromTheirCountersAndTheirListedParents) {
    test::TemporaryFolder temp;
    TreeBuilder tree(temp.path());
    tree.file("top/own", 2'000'000);
    tree.file("top/first/file", 1'500'000);
    tree.file("top/second/file", 1'500'000);
    tree.file("top/third/file", 1'500'000);
    tree.file("loose", 100);

    Harness harness(temp.string());
    auto gate = harness.startHoldingDeeperJobs();
    ASSERT_TRUE(harness.runUntilListed(0));
    const auto& jobs = harness.session->jobs();
    ASSERT_EQ(jobs.size(), 4u);
    ScanSession::Job& top = *jobs[0];
    ScanSession::Job& older = *jobs[1];
    ScanSession::Job& newer = *jobs[2];
    ScanSession::Job& silent = *jobs[3];
    int64_t placeholder = silent.node->size;
    ASSERT_EQ(placeholder, test::allocatedBytes(silent.node->path())) << "its own blocks";
    EXPECT_EQ(top.own.size,
              test::allocatedBytes(tree.path("top")) + test::allocatedBytes(tree.path("top/own")));
    EXPECT_EQ(top.own.files, 1);

    // What the held-back walkers would have published by now.
    std::string olderPath = older.node->path() + "/deeper";
    std::string_view olderShown = olderPath;
    older.counter->add({.files = 1, .bytes = 2000, .unique = 1000, .errors = 1, .path = {}});
    older.counter->add({.files = 1, .bytes = 3000, .unique = 3000, .errors = 0, .path = {}},
                       &olderShown);
    newer.counter->add({.files = 1, .bytes = 3000, .unique = 3000, .errors = 2, .path = {}});
    ASSERT_TRUE(harness.runUntilRefreshed());
    EXPECT_EQ(older.node->size, 5000) << "two reports between ticks count once, whole";
    EXPECT_EQ(older.node->unique, 4000);
    EXPECT_EQ(newer.node->fileCount, 1);
    EXPECT_EQ(silent.node->size, placeholder) << "a job that reported nothing keeps its blocks";
    EXPECT_EQ(top.node->size, top.own.size + 5000 + 3000 + placeholder);
    EXPECT_EQ(top.node->unique, top.own.unique + 4000 + 3000 + placeholder);
    EXPECT_EQ(top.node->fileCount, 1 + 2 + 1);
    EXPECT_EQ(top.node->children()[1], older.node) << "the grown folder moved up, after the file";
    const Node& root = *harness.session->root();
    EXPECT_EQ(root.size, test::allocatedBytes(temp.string()) +
                             test::allocatedBytes(tree.path("loose")) + top.node->size);
    EXPECT_EQ(harness.session->files(), 1 + 4);
    EXPECT_EQ(harness.session->errors(), 3) << "errors are summed from every job";
    EXPECT_EQ(harness.session->currentPath(), olderPath) << "the newer job has shown no path yet";
    expectListedFoldersSumWhatIsBeneath(*harness.session);

    std::string newerPath = newer.node->path();
    std::string_view newerShown = newerPath;
    newer.counter->add({.files = 0, .bytes = 4000, .unique = 0, .errors = 0, .path = {}},
                       &newerShown);
    ASSERT_TRUE(harness.runUntilRefreshed());
    EXPECT_EQ(harness.session->currentPath(), newerPath) << "the newest job's path is shown";
    EXPECT_EQ(newer.node->size, 7000) << "only the job that reported changed";
    EXPECT_EQ(older.node->size, 5000);
    EXPECT_EQ(top.node->children()[1], newer.node);
    EXPECT_EQ(harness.session->errors(), 3);
    expectListedFoldersSumWhatIsBeneath(*harness.session);
    // A later path of the same walker replaces its own.
    newerPath += "/later";
    newerShown = newerPath;
    newer.counter->add({.files = 0, .bytes = 0, .unique = 0, .errors = 0, .path = {}}, &newerShown);
    ASSERT_TRUE(harness.runUntilRefreshed());
    EXPECT_EQ(harness.session->currentPath(), newerPath);

    gate->open();
    ASSERT_TRUE(harness.runToEnd());
    EXPECT_EQ(root.size, test::duBytes(temp.string())) << "the walks' results replace the counters";
    EXPECT_EQ(harness.session->errors(), 3);
}

TEST(ScanSession, FoldersSwappedRenamedOrReplacedBeforeTheirTurnAreCountedNotFollowed) {
    test::TemporaryFolder temp;
    TreeBuilder tree(temp.path() / "scanned");
    TreeBuilder outside(temp.path() / "outside");
    for (const char* name : {"swapped", "renamed", "replaced"})
        tree.file("top/" + std::string(name) + "/file", 1'500'000);
    outside.file("huge", 20'000'000);
    outside.file("replacement/file", 3'000'000);

    Harness harness(tree.root().string());
    auto gate = harness.startHoldingDeeperJobs();
    ASSERT_TRUE(harness.runUntilListed(0));
    ASSERT_EQ(harness.session->jobs().size(), 4u);
    std::filesystem::rename(tree.path("top/swapped"), tree.path("swapped before"));
    tree.symlink(outside.root().string(), "top/swapped");
    std::filesystem::rename(tree.path("top/renamed"), tree.path("top/renamed after"));
    std::filesystem::rename(tree.path("top/replaced"), tree.path("top/replaced before"));
    std::filesystem::rename(outside.path("replacement"), tree.path("top/replaced"));
    gate->open();
    ASSERT_TRUE(harness.runToEnd());

    EXPECT_EQ(harness.session->errors(), 3) << "every folder that could not be walked counts";
    for (const char* name : {"swapped", "renamed", "replaced"}) {
        Node* folder = harness.node(tree.path("top/" + std::string(name)));
        ASSERT_TRUE(folder) << name;
        EXPECT_TRUE(folder->isUnreadable) << name;
        EXPECT_FALSE(folder->isScanning) << name;
        EXPECT_EQ(folder->fileCount, 0) << name;
    }
    EXPECT_LT(harness.session->root()->size, 1'000'000) << "nothing outside the tree is counted";
    EXPECT_EQ(harness.finishes, 1);
}

TEST(ScanSession, FoldersBeyondThePathLengthLimitAreMeasured) {
    test::TemporaryFolder temp;
    TreeBuilder tree(temp.path());
    std::string root = tree.chain("r", 14, std::string(250, 'n'));
    ASSERT_LT(root.size(), 4000u);
    // Below here the path passes the 4,096-byte limit: only descriptors reach it.
    TreeBuilder(root).chain("p", 3, std::string(250, 'q'));

    Harness harness(root);
    harness.session->start();
    ASSERT_TRUE(harness.runToEnd());
    EXPECT_EQ(harness.session->errors(), 0);
    EXPECT_EQ(harness.session->root()->size, test::duBytes(root));
}

TEST(ScanSession, AFolderRemovedBeforeOrWhileItsJobRunsIsNeverWalkedNorCounted) {
    test::TemporaryFolder temp;
    TreeBuilder tree(temp.path() / "scanned");
    tree.file("kept/inner/file", 1'500'000);
    tree.file("early/inner/file.xyz", 1'500'000);
    tree.file("late/inner/file.xyz", 1'500'000);
    // Were a removed folder walked by its bare name, it would be found here.
    TreeBuilder decoys(temp.path() / "elsewhere");
    decoys.file("early/inner/decoy.xyz", 1'500'000);
    decoys.file("late/inner/decoy.xyz", 1'500'000);
    std::string loose = tree.file("loose", 1'500'000);
    int home = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_EQ(::chdir(decoys.root().c_str()), 0);
    int64_t expected = test::duBytes(tree.root().string()) - test::duBytes(tree.path("early")) -
                       test::duBytes(tree.path("late")) - test::allocatedBytes(loose);

    Harness harness(tree.root().string(), {}, std::nullopt, 3);
    auto take = [&](const char* name) {
        harness.session->remove(harness.node(tree.path(name))->shared_from_this());
    };
    test::PoolGate gate(*harness.pool);
    harness.session->start();
    take("early"); // still queued
    harness.queue->runPending();
    take("late"); // its walker waits at the gate
    EXPECT_EQ(harness.session->topJobs().size(), 1u);
    int64_t base = harness.session->baseSize();
    take("loose");
    EXPECT_EQ(harness.session->baseSize(), base - test::allocatedBytes(loose));
    gate.open();
    bool ended = harness.runToEnd();
    EXPECT_EQ(::fchdir(home), 0);
    ::close(home);
    ASSERT_TRUE(ended);

    EXPECT_FALSE(harness.session->kinds().entries().contains("xyz"));
    for (const auto& job : harness.session->jobs())
        EXPECT_TRUE(!job->parent || job->parent->node->name == "kept") << job->node->name;
    EXPECT_EQ(harness.session->root()->size, expected);
    EXPECT_EQ(test::childNamed(*harness.session->root(), "early"), nullptr);
    EXPECT_EQ(harness.session->errors(), 0);
    EXPECT_EQ(harness.finishes, 1);
}

TEST(ScanSession, AFileRemovedFromAListedFolderStaysRemoved) {
    test::TemporaryFolder temp;
    TreeBuilder tree(temp.path());
    std::string big = tree.file("top/big", 3'000'000);
    tree.file("top/sub/file", 1'500'000);

    Harness harness(temp.string());
    auto gate = harness.startHoldingDeeperJobs();
    ASSERT_TRUE(harness.runUntilListed(0));
    harness.session->remove(harness.node(big)->shared_from_this());
    ASSERT_TRUE(harness.runUntilRefreshed());
    Node* top = harness.node(tree.path("top"));
    EXPECT_EQ(top->size, test::allocatedBytes(tree.path("top")) + top->children().front()->size);
    gate->open();
    ASSERT_TRUE(harness.runToEnd());
    EXPECT_EQ(top->size, test::duBytes(tree.path("top")) - test::allocatedBytes(big));
    EXPECT_EQ(top->fileCount, 1);
    EXPECT_EQ(top->unique, top->size);
    EXPECT_EQ(harness.session->root()->size,
              test::duBytes(temp.string()) - test::allocatedBytes(big));
}

TEST(ScanSessionTest, ABuiltTreeFinishesAsItIsAndIsNeverMeasuredAgain) {
    auto queue = std::make_shared<ManualQueue>();
    test::SyntheticTree tree("/nonexistent/built");
    tree.file("movie.mp4", 5'000'000);
    ExtensionTally kinds;
    kinds.add("movie.mp4", 5'000'000, 5'000'000);
    auto session = std::make_shared<ScanSession>(
        tree.root(), kinds, 1'000'000,
        ScanSession::Context{queue, std::make_shared<WorkerPool>(1), 1});
    int finishes = 0;
    session->onFinish = [&](const Node::Ptr& finished) {
        EXPECT_EQ(finished, tree.root());
        ++finishes;
    };

    session->start();
    EXPECT_TRUE(session->isRunning());
    queue->runPending();
    EXPECT_EQ(finishes, 1);
    EXPECT_FALSE(session->isRunning());
    EXPECT_EQ(session->path(), "/nonexistent/built");
    EXPECT_EQ(session->bytes(), 5'000'000);
    EXPECT_EQ(session->files(), 1);
    EXPECT_EQ(session->errors(), 0);
    EXPECT_EQ(session->kinds().entries(), kinds.entries());

    int measured = 0;
    session->rescan(tree.root(), [&] { ++measured; });
    session->refresh("/nonexistent/built", [&] { ++measured; });
    queue->runPending();
    EXPECT_EQ(measured, 2) << "both end at once";
    EXPECT_EQ(tree.root()->size, 5'000'000);
    EXPECT_EQ(tree.root()->children().size(), 1u) << "the tree is left as it was built";
}
