#include "model/AdvisorState.h"

#include "advisor/duplicates/DuplicatesDetector.h"
#include "app/ModelFixture.h"
#include "app/model/RunningDetector.h"
#include "model/ApplyState.h"
#include "scan/LiveUpdater.h"
#include "support/PoolGate.h"
#include "support/TmpfsMount.h"
#include "support/TreeCompare.h"
#include "util/ManualQueue.h"

#include <QSettings>
#include <QTest>
#include <atomic>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

using namespace tavelin;
using namespace std::chrono_literals;

namespace {

constexpr int64_t GB = 1'000'000'000;

Candidate step(std::string id, Rung rung, int64_t freed, std::string detector = "test",
               std::optional<Project> project = std::nullopt) {
    return Candidate({.id = id,
                      .detector = std::move(detector),
                      .title = "Title " + id,
                      .category = AdvisorCategory::caches,
                      .rung = rung,
                      .action = AdvisorAction::trash({"/x/" + id}),
                      .freed = freed,
                      .project = std::move(project),
                      .confidence = 1});
}

struct AdvisorStateTest : test::ModelFixture {
    std::shared_ptr<ManualQueue> queue = std::make_shared<ManualQueue>();
    std::shared_ptr<WorkerPool> pool = std::make_shared<WorkerPool>(2);
    // Scans' walkers wait here, so a scan is still running however long a test takes.
    std::shared_ptr<WorkerPool> scanPool = std::make_shared<WorkerPool>(1);
    test::PoolGate scanGate{*scanPool};
    std::atomic<int64_t> millis = 1'000'000;
    std::atomic<int64_t> advance = 0;
    std::optional<platform::Volume> disk;

    void TearDown() override { Advisor::resetDetectors(); }

    // A quick detector that moves the test's clock on while it runs.
    void useClockDetector() {
        Advisor::setQuickDetectors({std::make_shared<test::RunningDetector>(
            "clock", false, [this] { millis += advance; })});
    }

    AdvisorState::Clock::time_point now() const {
        return AdvisorState::Clock::time_point(std::chrono::milliseconds(millis.load()));
    }

    std::unique_ptr<AdvisorState> make() {
        return std::make_unique<AdvisorState>(
            AdvisorState::Services{.queue = queue,
                                   .pool = pool,
                                   .home = home.root().string(),
                                   .diskFor = [this](const std::string&) { return disk; },
                                   .clock = [this] { return now(); }});
    }

    // A session over the fixture tree, started and kept running: its walkers wait at the gate.
    std::shared_ptr<ScanSession> runningSession() {
        tree.file("a/file", 10'000);
        auto session = std::make_shared<ScanSession>(tree.root().string(), std::nullopt, PathSet{},
                                                     std::nullopt, 1'000'000,
                                                     ScanSession::Context{queue, scanPool, 1});
        session->start();
        return session;
    }
};

} // namespace

TEST_F(AdvisorStateTest, PassesDuringAScanAreSpacedByTwentyTimesTheirLengthAndFollowTheScan) {
    useClockDetector();
    auto state = make();
    auto session = runningSession();
    state->reset(session);

    advance = 500;
    auto started = now();
    state->duringScan();
    ASSERT_TRUE(state->interimRunning());
    EXPECT_TRUE(session->isPaused()) << "the tree stays still while a pass reads it";
    ASSERT_TRUE(queue->runUntil([&] { return !state->interimRunning(); }, 5s));
    EXPECT_EQ(state->nextInterim(), started + 500ms + 10s);

    state->duringScan();
    EXPECT_FALSE(state->interimRunning()) << "not due yet";

    millis += 10'500;
    advance = 100;
    started = now();
    state->duringScan();
    ASSERT_TRUE(queue->runUntil([&] { return !state->interimRunning(); }, 5s));
    EXPECT_EQ(state->nextInterim(), started + 100ms + 3s) << "3 s at least";

    // The goal follows the disk until the user picks one.
    disk = platform::Volume{};
    disk->total = 500 * GB;
    disk->free = 40 * GB;
    state->adopt({});
    EXPECT_EQ(state->goal(), Goal::bytes(50 * GB));
    disk->free = 80 * GB;
    state->adopt({});
    EXPECT_EQ(state->goal(), Goal::asMuchAsSafe());
    state->setGoal(Goal::bytes(25 * GB));
    disk->free = 1 * GB;
    state->adopt({step("a", Rung::lossless, 30 * GB)});
    EXPECT_EQ(state->goal(), Goal::bytes(25 * GB));
    EXPECT_TRUE(state->plan()->reachesGoal);

    // A pass's result for a scan replaced while it ran is dropped.
    millis += 5'000;
    state->duringScan();
    ASSERT_TRUE(state->interimRunning());
    state->reset(std::make_shared<ScanSession>(tree.root().string(), std::nullopt, PathSet{},
                                               std::nullopt, 1'000'000,
                                               ScanSession::Context{queue, pool, 2}));
    state->adopt({step("new", Rung::lossless, GB)});
    ASSERT_TRUE(queue->runUntil([&] { return !session->isPaused(); }, 5s))
        << "the old scan's tree is released";
    EXPECT_EQ(state->candidates().size(), 1u) << "its empty result did not replace the new one";
    EXPECT_EQ(state->nextInterim(), AdvisorState::Clock::time_point{});
    session->cancel();
}

TEST_F(AdvisorStateTest, LaterAdoptionsKeepTheUsersTicksAndAreLaidOutInGroups) {
    auto state = make();
    state->adopt({step("a", Rung::lossless, GB), step("b", Rung::lossless, GB),
                  step("review", Rung::review, GB)});
    EXPECT_EQ(state->checked(), (std::set<std::string>{"a", "b"}));

    state->setChecked("a", false);
    state->setChecked("review", true);
    state->adopt({step("a", Rung::lossless, GB), step("b", Rung::lossless, GB),
                  step("review", Rung::review, GB), step("c", Rung::lossless, GB)});
    EXPECT_EQ(state->checked(), (std::set<std::string>{"b", "c", "review"}));

    state->adopt({step("b", Rung::lossless, GB)});
    EXPECT_EQ(state->checked(), std::set<std::string>{"b"}) << "gone candidates lose their ticks";

    // Blocked steps and guides can be ticked by hand but are never applied.
    auto blocked = step("blocked", Rung::lossless, GB);
    blocked.blocked = "Quit the app first.";
    auto guide = step("guide", Rung::lossless, GB);
    guide.action = AdvisorAction::guide("file:///", "Look");
    state->adopt({blocked, guide, step("ok", Rung::lossless, GB)});
    EXPECT_EQ(state->checked(), std::set<std::string>{"ok"});
    state->setChecked("blocked", true);
    state->setChecked("guide", true);
    ASSERT_EQ(state->checkedCandidates().size(), 1u);
    EXPECT_EQ(state->checkedCandidates()[0].id, "ok");

    // The layout groups projects by size and categories in order.
    Project small{"/p/small", "small"};
    Project big{"/p/big", "big"};
    auto downloads = step("d", Rung::review, GB);
    downloads.category = AdvisorCategory::downloads;
    state->adopt({step("cheap-small", Rung::lossless, GB), step("dear-big", Rung::review, 9 * GB),
                  step("cheap-big", Rung::lossless, 5 * GB), downloads,
                  step("s1", Rung::lossless, GB, "t", small),
                  step("b1", Rung::lossless, 2 * GB, "t", big)});
    auto layout = state->layout();
    ASSERT_EQ(layout.categories.size(), 2u);
    EXPECT_EQ(std::get<AdvisorCategory>(layout.categories[0].owner), AdvisorCategory::downloads);
    std::vector<std::string> caches;
    for (const Candidate* candidate : layout.categories[1].candidates)
        caches.push_back(candidate->id);
    EXPECT_EQ(caches, (std::vector<std::string>{"cheap-big", "cheap-small", "dear-big"}));
    ASSERT_EQ(layout.projects.size(), 2u);
    EXPECT_EQ(std::get<Project>(layout.projects[0].owner).name, "big");
}

TEST_F(AdvisorStateTest, HiddenEntriesPersistAndCanBeShownAgain) {
    Project app{"/home/u/Projects/app", "app"};
    std::vector<Candidate> found{step("a", Rung::lossless, GB),
                                 step("b", Rung::lossless, GB, "tmp"),
                                 step("c", Rung::lossless, GB, "test", app)};
    {
        auto state = make();
        state->adopt(found);
        state->hideCandidate(found[0]);
        state->hideDetector(found[1]);
        state->hideProject(app.root);
        EXPECT_TRUE(state->visible().empty());
        EXPECT_TRUE(state->checked().empty());
    }
    EXPECT_EQ(QSettings().value("hiddenDetectors").toStringList(), QStringList{"tmp"});
    auto state = make();
    state->adopt(found);
    EXPECT_TRUE(state->visible().empty()) << "hidden sets survive a restart";
    QStringList entries;
    for (const auto& entry : state->hiddenEntries())
        entries << QString::fromStdString(entry.key) + "|" + entry.label;
    EXPECT_EQ(entries, (QStringList{"project:/home/u/Projects/app|Project app",
                                    "detector:tmp|Title b", "candidate:a|Title a"}));

    state->unhide("detector:tmp");
    state->unhide("project:/home/u/Projects/app");
    EXPECT_EQ(state->visible().size(), 2u);
    EXPECT_TRUE(QSettings().value("hiddenProjects").toStringList().isEmpty());
    EXPECT_EQ(QSettings().value("hiddenCandidates").toStringList(), QStringList{"a"});
}

// An unmounted drive's mount point is an empty folder on the system disk.
TEST_F(AdvisorStateTest, MovingToAnotherDriveRefusesAFolderOnTheItemsOwnDisk) {
    auto state = make();
    Candidate movie = step("movie", Rung::review, GB);
    movie.action = AdvisorAction::trash({tree.file("old.mov", 10)});
    state->adopt({movie});
    EXPECT_EQ(state->redirectToDrive(movie, tree.folder("backup")),
              "“backup” is on the same disk as “old.mov”. Choose a folder on another drive.");
    EXPECT_TRUE(state->archiveOverrides().empty());

    test::TmpfsMount drive(tree.path("drive"), 1 << 20);
    if (!drive.mounted())
        GTEST_SKIP() << drive.whyNot();
    EXPECT_EQ(state->redirectToDrive(movie, drive.string()), std::nullopt);
    EXPECT_EQ(state->archiveOverrides().at("movie"), ArchiveDestination::drive(drive.string()));
}

TEST_F(AdvisorStateTest, AScanOfAFolderEndsWithItsSuggestions) {
    Advisor::resetDetectors();
    home.file("Projects/app/package.json", 100);
    home.file("Projects/app/node_modules/left-pad/index.js", 3'000'000);
    auto model = makeModel();
    ASSERT_TRUE(scanned(*model, home.root().string()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !model->advisor().interimRunning(); }, 10000));
    ASSERT_FALSE(model->advisor().candidates().empty());
    EXPECT_EQ(model->advisor().candidates()[0].paths(),
              std::vector<std::string>{home.path("Projects/app/node_modules")});
    EXPECT_TRUE(QTest::qWaitFor([&] { return !model->session()->isPaused(); }, 10000));
}

// The duplicate search takes the files it will read and lets go of the tree: live updates and
// applied steps then replace and remove the nodes it started from while it reads contents (its
// reads of identities wait until the test has done so). The wait is on a relaxed flag, which
// orders nothing: under the thread sanitizer, a read of the tree by the search after it shows
// as a race with the changes.
TEST_F(AdvisorStateTest, TheDuplicateSearchGoesOnSafelyWhileTheTreeChanges) {
    constexpr int64_t KB = 1'000;
    // Sets of three copies, told apart by their sizes.
    auto folder = [](int set) { return "Documents/set" + std::to_string(set); };
    for (int set = 0; set < 4; ++set)
        for (const char* copy : {"/a", "/b", "/c"})
            home.file(folder(set) + copy, (200 + 10 * set) * KB);

    std::atomic<bool> open = false;
    std::atomic<bool> reached = false;
    auto detector = std::make_shared<DuplicatesDetector>(100 * KB, 100 * KB);
    detector->identity = [&](const std::string& path, platform::SharingMounts& mounts) {
        if (!reached.exchange(true))
            queue->post([] {});
        while (!open.load(std::memory_order_relaxed))
            std::this_thread::sleep_for(1ms);
        return platform::FileIdentity::of(path, &mounts);
    };
    Advisor::setQuickDetectors({});
    Advisor::setSlowDetectors({detector});
    auto state = make();
    // Files of 100 KB and more are items of the tree, as the finder needs.
    auto session =
        std::make_shared<ScanSession>(home.root().string(), std::nullopt, PathSet{}, std::nullopt,
                                      100 * KB, ScanSession::Context{queue, pool, 2});
    session->start();
    ASSERT_TRUE(queue->runUntil([&] { return !session->isRunning(); }, 20s));
    state->reset(session);
    state->run(session->root(), false);
    ASSERT_TRUE(queue->runUntil([&] { return reached.load() && !session->isPaused(); }, 10s))
        << "the tree is let go once the files are taken";

    int settled = 0;
    auto live = std::make_shared<LiveUpdater>(
        LiveUpdater::Context{queue, {}, 0.05},
        LiveUpdater::Hooks{.settled = [&] { ++settled; }, .ready = {}, .limitReached = {}});
    live->restart(session);
    ASSERT_TRUE(queue->runUntil([&] { return live->watcher() != nullptr; }, 10s));
    ApplyState apply(ApplyState::Services::live(
                         queue, pool, [] { return int64_t{0}; }, false, ""),
                     *state);
    apply.reset(session);
    apply.apply({Candidate(
        {.id = "c", .title = "c", .action = AdvisorAction::trash({home.path(folder(1) + "/c")})})});
    home.file(folder(2) + "/b", std::string(210 * KB, 'y'));
    std::filesystem::rename(home.path(folder(3)), home.path("Documents/moved"));
    ASSERT_TRUE(queue->runUntil(
        [&] {
            return !apply.isApplying() && settled > 0 &&
                   test::treeDifference(*session->root(),
                                        *test::freshScan(home.root().string(), 100 * KB)) == "";
        },
        20s))
        << "the tree follows the disk while the search waits";
    EXPECT_TRUE(state->slowRunning());

    open.store(true, std::memory_order_relaxed);
    ASSERT_TRUE(queue->runUntil([&] { return !state->slowRunning(); }, 20s));
    // Each set as it is now, whole: the kept copy and the others.
    std::set<std::set<std::string>> found;
    for (const Candidate& candidate : state->candidates()) {
        std::vector<std::string> paths = candidate.paths();
        std::set<std::string> set(paths.begin(), paths.end());
        set.insert(candidate.id.substr(candidate.id.find(':') + 1));
        for (const std::string& path : set)
            EXPECT_TRUE(session->root()->descendant(path)) << path;
        found.insert(std::move(set));
    }
    auto paths = [&](int set, std::vector<std::string> names) {
        std::set<std::string> all;
        for (const std::string& name : names)
            all.insert(home.path(folder(set) + "/" + name));
        return all;
    };
    EXPECT_EQ(found, (std::set<std::set<std::string>>{paths(0, {"a", "b", "c"}),
                                                      paths(1, {"a", "b"}), paths(2, {"a", "c"})}));
    live->stop();
}
