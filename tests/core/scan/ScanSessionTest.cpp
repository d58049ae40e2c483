#include "scan/ScanSession.h"

#include "core/scan/NodeFigures.h"
#include "core/scan/SessionHarness.h"
#include "scan/ScanProgress.h"
#include "support/BtrfsImage.h"
#include "support/NodeLookup.h"
#include "support/PoolGate.h"
#include "support/SyntheticTree.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tavelin;
using namespace std::chrono_literals;
using test::figures;
using test::TreeBuilder;

namespace {

struct Harness : test::SessionHarness {
    // Starts paused and waits until the first listing is held back.
    bool startPausedUntilHeld() {
        make().pauseTreeUpdates();
        session->start();
        return runUntil([&] { return session->heldCount() == 1; });
    }
    // Starts the scan and lets its first-level jobs run; every job launched after them waits at
    // the gate returned until it opens.
    std::unique_ptr<test::PoolGate> startHoldingDeeperJobs() {
        test::PoolGate first(*pool);
        make().start();
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
};

// What a refresh shows: every folder the scan has listed holds the sum of what lies beneath it,
// its running jobs' folders counting what their counters reported.
void expectListedFoldersSumWhatIsBeneath(const ScanSession& session) {
    for (const auto& job : session.jobs()) {
        if (!job->listed || job->done)
            continue;
        Node::Figures sum = job->own;
        for (const auto& child : job->node->children())
            if (child->isDirectory())
                sum += Node::Figures::of(*child);
        EXPECT_EQ(figures(*job->node), figures(sum)) << job->node->path();
        EXPECT_TRUE(std::is_sorted(job->node->children().begin(), job->node->children().end(),
                                   [](const auto& a, const auto& b) { return a->size > b->size; }));
    }
    int64_t root = session.baseSize();
    for (const auto* job : session.topJobs())
        root += job->node->size;
    EXPECT_EQ(std::pair(session.root()->size, session.bytes()), std::pair(root, root));
}

} // namespace

// Reached through a symbolic link, with a first-level folder skipped: the skipped one counts its
// own blocks only.
TEST(ScanSession, TotalsEqualDuWithHardLinksSparseFilesManyEmptyFoldersAndASkippedFolder) {
    Harness harness;
    TreeBuilder& tree = harness.tree;
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
    std::string secret = tree.file("Private/secret", 5'000'000);
    std::string link = TreeBuilder(harness.temp.path()).symlink(tree.root().string(), "link");

    harness.make(link + "/", PathSet{link + "/Private"});
    harness.session->onChange = [&] {
        ++harness.changes;
        expectListedFoldersSumWhatIsBeneath(*harness.session);
    };
    ASSERT_TRUE(harness.scan());
    const Node& root = harness.root();
    EXPECT_EQ(harness.session->path() + " " + root.name, link + " link");
    EXPECT_EQ(harness.finishes, 1);
    EXPECT_GT(harness.changes, 0);
    struct stat privateFolder {};
    ASSERT_EQ(::lstat(tree.path("Private").c_str(), &privateFolder), 0);
    int64_t size = test::duBytes(tree.root().string()) - test::allocatedBytes(secret);
    // ext4 shares no data between files.
    EXPECT_EQ(figures(root),
              figures(size, size, 6 * 4 + 2,
                      test::duBytes(tree.root().string(), true) -
                          test::duBytes(tree.path("Private"), true) + privateFolder.st_size));
    EXPECT_EQ(std::tuple(harness.session->bytes(), harness.session->files(),
                         harness.session->errors(),
                         harness.session->kinds().entries().at("").files),
              std::tuple(root.size, root.fileCount, int64_t{0}, int64_t{6 * 4 + 2}));
    EXPECT_FALSE(root.isScanning);
    EXPECT_TRUE(harness.session->endDate().has_value());
    EXPECT_TRUE(harness.session->currentPath().empty());
    // Folders at depth one are listed, depth two is walked whole.
    for (const auto& job : harness.session->jobs()) {
        EXPECT_TRUE(job->done && !job->node->isScanning) << job->node->path();
        EXPECT_NE(job->node->name, "Private") << "a skipped folder is not walked";
        EXPECT_EQ(std::pair(job->depth, job->split),
                  std::pair(job->parent ? job->parent->depth + 1 : 1, job->depth < 2))
            << job->node->path();
    }
    EXPECT_TRUE(harness.node("Private")->needsAccess);
    Node* empty = harness.node("empty/7");
    ASSERT_TRUE(empty);
    EXPECT_EQ(std::pair(empty->fileCount, empty->size),
              std::pair(int64_t{0}, test::duBytes(tree.path("empty/7"))))
        << "own blocks are not files";
    EXPECT_EQ(harness.node("top0/a/b/c/d/e")->fileCount, 1);
}

TEST(ScanSession, AWalkSharedWithAnIdleWorkerGivesTheSameTree) {
    Harness harness;
    // One job walks everything below depth 4, while the other worker would sit idle.
    for (int i = 0; i < 30; ++i)
        for (int j = 0; j < 4; ++j)
            harness.tree.file("a/b/c/d/s" + std::to_string(i) + "/t" + std::to_string(j) + "/u/f",
                              j == 0 ? 1'000'000 : 5000);
    ASSERT_TRUE(harness.scan());
    EXPECT_EQ(harness.difference(), "");
    EXPECT_EQ(harness.root().size, test::duBytes(harness.tree.root().string()));
}

TEST(ScanSession, ARootWithOnlyFilesFinishesWithItsOwnBlocksCountedAMissingOneNever) {
    Harness harness;
    std::string big = harness.tree.file("big", 2'000'000);
    std::string small = harness.tree.file("small", 100);
    harness.make().start();
    EXPECT_TRUE(harness.session->jobs().empty());
    ASSERT_TRUE(harness.runToEnd());
    const Node& root = harness.root();
    EXPECT_EQ(std::tuple(harness.finishes, root.size, root.smallFileCount, root.children().size()),
              std::tuple(1,
                         test::allocatedBytes(harness.tree.root().string()) +
                             test::allocatedBytes(big) + test::allocatedBytes(small),
                         int64_t{1}, size_t{1}));
    int changes = harness.changes;
    harness.idle(600ms);
    EXPECT_EQ(harness.changes, changes) << "a finished scan refreshes nothing more";

    // A missing root is unreadable and never reported as finished.
    harness.changes = harness.finishes = 0;
    harness.make(harness.temp.string() + "/missing/..//missing/");
    EXPECT_EQ(harness.session->path() + " " + harness.root().name,
              harness.temp.string() + "/missing missing");
    harness.session->start();
    EXPECT_FALSE(harness.session->isRunning());
    EXPECT_EQ(std::tuple(harness.root().isUnreadable, harness.session->errors(), harness.finishes,
                         harness.changes),
              std::tuple(true, int64_t{1}, 0, 1));
}

TEST(ScanSession, HeldResultsAndRemovalsWaitForResumeAndCancellingDropsThem) {
    Harness harness;
    harness.tree.file("only/file", 2'000'000);
    harness.tree.file("loose", 1'500'000);
    ASSERT_TRUE(harness.startPausedUntilHeld());
    Node* only = harness.node("only");
    ASSERT_TRUE(only);
    EXPECT_TRUE(only->children().empty()) << "nothing is grafted while paused";
    harness.idle(300ms);
    EXPECT_TRUE(harness.session->isRunning()) << "a paused scan does not finish";
    harness.session->resumeTreeUpdates();
    ASSERT_TRUE(harness.runToEnd());
    EXPECT_EQ(std::tuple(harness.finishes, only->fileCount, only->children().size()),
              std::tuple(1, int64_t{1}, size_t{1}));

    harness.session->resumeTreeUpdates(); // a resume without a pause is ignored
    harness.session->pauseTreeUpdates();
    Node::Ptr loose = harness.pointer("loose");
    int64_t before = harness.root().size;
    harness.session->remove(loose);
    EXPECT_EQ(harness.root().size, before);
    // Each holder resumes for itself: the tree stays still until the last one does.
    harness.session->pauseTreeUpdates();
    harness.session->resumeTreeUpdates();
    EXPECT_EQ(harness.root().size, before);
    harness.session->resumeTreeUpdates();
    EXPECT_EQ(std::pair(harness.root().size, harness.session->bytes()),
              std::pair(before - loose->size, before - loose->size));

    // Cancelling while paused grafts nothing and never finishes.
    Harness cancelled;
    cancelled.tree.file("a/b/file", 2'000'000);
    ASSERT_TRUE(cancelled.startPausedUntilHeld());
    cancelled.session->cancel();
    EXPECT_FALSE(cancelled.session->isRunning());
    cancelled.session->resumeTreeUpdates();
    cancelled.idle(400ms);
    // Nothing finished or held, and the held listing made no new jobs.
    EXPECT_EQ(std::tuple(cancelled.finishes, cancelled.session->endDate().has_value(),
                         cancelled.session->heldCount(), cancelled.session->jobs().size()),
              std::tuple(0, false, size_t{0}, size_t{1}));
    EXPECT_TRUE(cancelled.node("a")->children().empty());
}

TEST(ScanSession, ARootWhoseListingBreaksOffPartwayKeepsWhatWasListed) {
    Harness harness;
    test::BtrfsImage image(harness.temp.path());
    if (!image.mounted())
        GTEST_SKIP() << image.whyNot();
    TreeBuilder tree(image.mountPoint() / "root");
    constexpr int kEntries = 3000;
    for (int i = 0; i < kEntries; ++i)
        tree.sparseFile("entry " + std::to_string(i) + std::string(60, '.'), 0);
    if (!image.breakListingPartway(tree.root().string()))
        GTEST_SKIP() << "the image's metadata could not be damaged here";

    harness.make(tree.root().string());
    ASSERT_TRUE(harness.scan());
    const Node& root = harness.root();
    EXPECT_TRUE(root.isUnreadable);
    EXPECT_EQ(harness.session->errors(), 1);
    EXPECT_TRUE(root.fileCount > 0 && root.fileCount < kEntries) << "what was listed is kept";
    EXPECT_EQ(harness.finishes, 1) << "the scan goes on and ends as usual";
}

TEST(ScanSession, WorkerCountIsEightPerCoreWithinEightToSixteenAndProgressNeverReachesOne) {
    // 0: an unknown core count.
    for (auto [cores, workers] : {std::pair{0, 8}, {1, 8}, {2, 16}, {64, 16}})
        EXPECT_EQ(ScanSession::workerCount(cores), workers) << cores;

    // Progress uses the first positive estimate and never reaches one.
    EXPECT_EQ(ScanProgress::fraction(50, 0, 100), 0.5);
    EXPECT_EQ(ScanProgress::fraction(25, 50, 1000), 0.5);
    EXPECT_EQ(ScanProgress::fraction(120, 100, std::nullopt), 0.99);
    EXPECT_EQ(ScanProgress::fraction(-5, 100, std::nullopt), 0.0);
    EXPECT_EQ(ScanProgress::fraction(50, std::nullopt, std::nullopt), std::nullopt);
    EXPECT_EQ(ScanProgress::fraction(50, 0, 0), std::nullopt);
}

TEST(ScanSession, WhileJobsRunTotalsComeFromTheirCountersAndTheirListedParents) {
    Harness harness;
    TreeBuilder& tree = harness.tree;
    tree.file("top/own", 2'000'000);
    for (const char* folder : {"first", "second", "third"})
        tree.file("top/" + std::string(folder) + "/file", 1'500'000);
    tree.file("loose", 100);

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
    EXPECT_EQ(std::pair(top.own.size, top.own.files),
              std::pair(test::allocatedBytes(tree.path("top")) +
                            test::allocatedBytes(tree.path("top/own")),
                        int64_t{1}));

    // What the held-back walkers would have published by now.
    std::string olderPath = older.node->path() + "/deeper";
    std::string_view olderShown = olderPath;
    older.counter->add({.files = 1, .bytes = 2000, .unique = 1000, .errors = 1, .path = {}});
    older.counter->add({.files = 1, .bytes = 3000, .unique = 3000, .errors = 0, .path = {}},
                       &olderShown);
    newer.counter->add({.files = 1, .bytes = 3000, .unique = 3000, .errors = 2, .path = {}});
    ASSERT_TRUE(harness.runUntilRefreshed());
    // Two reports between ticks count once, whole; a job that reported nothing keeps its blocks.
    EXPECT_EQ(
        std::tuple(older.node->size, older.node->unique, newer.node->fileCount, silent.node->size),
        std::tuple(int64_t{5000}, int64_t{4000}, int64_t{1}, placeholder));
    EXPECT_EQ(std::tuple(top.node->size, top.node->unique, top.node->fileCount),
              std::tuple(top.own.size + 5000 + 3000 + placeholder,
                         top.own.unique + 4000 + 3000 + placeholder, int64_t{1 + 2 + 1}));
    EXPECT_EQ(top.node->children()[1], older.node) << "the grown folder moved up, after the file";
    const Node& root = harness.root();
    EXPECT_EQ(root.size, test::allocatedBytes(tree.root().string()) +
                             test::allocatedBytes(tree.path("loose")) + top.node->size);
    // Errors are summed from every job; the newer job has shown no path yet.
    EXPECT_EQ(std::tuple(harness.session->files(), harness.session->errors(),
                         harness.session->currentPath()),
              std::tuple(int64_t{1 + 4}, int64_t{3}, olderPath));
    expectListedFoldersSumWhatIsBeneath(*harness.session);

    std::string newerPath = newer.node->path();
    std::string_view newerShown = newerPath;
    newer.counter->add({.files = 0, .bytes = 4000, .unique = 0, .errors = 0, .path = {}},
                       &newerShown);
    ASSERT_TRUE(harness.runUntilRefreshed());
    // The newest job's path is shown; only the job that reported changed.
    EXPECT_EQ(std::tuple(harness.session->currentPath(), newer.node->size, older.node->size,
                         harness.session->errors()),
              std::tuple(newerPath, int64_t{7000}, int64_t{5000}, int64_t{3}));
    EXPECT_EQ(top.node->children()[1], newer.node);
    expectListedFoldersSumWhatIsBeneath(*harness.session);
    // A later path of the same walker replaces its own.
    newerPath += "/later";
    newerShown = newerPath;
    newer.counter->add({.files = 0, .bytes = 0, .unique = 0, .errors = 0, .path = {}}, &newerShown);
    ASSERT_TRUE(harness.runUntilRefreshed());
    EXPECT_EQ(harness.session->currentPath(), newerPath);

    // A file removed from a listed folder stays removed.
    std::string own = tree.path("top/own");
    harness.session->remove(harness.pointer("top/own"));
    ASSERT_TRUE(harness.runUntilRefreshed());
    EXPECT_EQ(top.own.size, test::allocatedBytes(tree.path("top")));
    expectListedFoldersSumWhatIsBeneath(*harness.session);

    gate->open();
    ASSERT_TRUE(harness.runToEnd());
    // The walks' results replace the counters.
    int64_t size = test::duBytes(tree.path("top")) - test::allocatedBytes(own);
    EXPECT_EQ(std::tuple(top.node->size, top.node->unique, top.node->fileCount, root.size,
                         harness.session->errors()),
              std::tuple(size, size, int64_t{3},
                         test::duBytes(tree.root().string()) - test::allocatedBytes(own),
                         int64_t{3}));
}

TEST(ScanSession, FoldersSwappedRenamedOrReplacedBeforeTheirTurnAreCountedNotFollowed) {
    Harness harness;
    TreeBuilder& tree = harness.tree;
    TreeBuilder outside(harness.temp.path() / "outside");
    for (const char* name : {"swapped", "renamed", "replaced"})
        tree.file("top/" + std::string(name) + "/file", 1'500'000);
    outside.file("huge", 20'000'000);
    outside.file("replacement/file", 3'000'000);

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
        Node* folder = harness.node("top/" + std::string(name));
        ASSERT_TRUE(folder) << name;
        EXPECT_EQ(std::tuple(folder->isUnreadable, folder->isScanning, folder->fileCount),
                  std::tuple(true, false, int64_t{0}))
            << name;
    }
    EXPECT_LT(harness.root().size, 1'000'000) << "nothing outside the tree is counted";
    EXPECT_EQ(harness.finishes, 1);
}

TEST(ScanSession, FoldersBeyondThePathLengthLimitAreMeasured) {
    Harness harness;
    std::string root = harness.tree.chain("r", 14, std::string(250, 'n'));
    ASSERT_LT(root.size(), 4000u);
    // Below here the path passes the 4,096-byte limit: only descriptors reach it.
    TreeBuilder(root).chain("p", 3, std::string(250, 'q'));
    harness.make(root);
    ASSERT_TRUE(harness.scan());
    EXPECT_EQ(std::pair(harness.session->errors(), harness.root().size),
              std::pair(int64_t{0}, test::duBytes(root)));
}

TEST(ScanSession, AFolderRemovedBeforeOrWhileItsJobRunsIsNeverWalkedNorCounted) {
    Harness harness;
    TreeBuilder& tree = harness.tree;
    tree.file("kept/inner/file", 1'500'000);
    tree.file("early/inner/file.xyz", 1'500'000);
    tree.file("late/inner/file.xyz", 1'500'000);
    // Were a removed folder walked by its bare name, it would be found here.
    TreeBuilder decoys(harness.temp.path() / "elsewhere");
    decoys.file("early/inner/decoy.xyz", 1'500'000);
    decoys.file("late/inner/decoy.xyz", 1'500'000);
    std::string loose = tree.file("loose", 1'500'000);
    int home = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_EQ(::chdir(decoys.root().c_str()), 0);
    int64_t expected = test::duBytes(tree.root().string()) - test::duBytes(tree.path("early")) -
                       test::duBytes(tree.path("late")) - test::allocatedBytes(loose);

    auto take = [&](const char* name) { harness.session->remove(harness.pointer(name)); };
    test::PoolGate gate(*harness.pool);
    harness.make({}, {}, std::nullopt, 3).start();
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
    EXPECT_EQ(harness.node("early"), nullptr);
    EXPECT_EQ(std::tuple(harness.root().size, harness.session->errors(), harness.finishes),
              std::tuple(expected, int64_t{0}, 1));
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
    EXPECT_EQ(
        std::tuple(finishes, session->isRunning(), session->path(), session->bytes(),
                   session->files(), session->errors()),
        std::tuple(1, false, "/nonexistent/built", int64_t{5'000'000}, int64_t{1}, int64_t{0}));
    EXPECT_EQ(session->kinds().entries(), kinds.entries());

    int measured = 0;
    session->rescan(tree.root(), [&] { ++measured; });
    session->refresh("/nonexistent/built", [&] { ++measured; });
    queue->runPending();
    EXPECT_EQ(measured, 2) << "both end at once";
    EXPECT_EQ(std::pair(tree.root()->size, tree.root()->children().size()),
              std::pair(int64_t{5'000'000}, size_t{1}))
        << "the tree is left as it was built";
}
