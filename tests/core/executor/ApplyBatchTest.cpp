#include "executor/ApplyBatch.h"

#include "ExecutorTest.h"
#include "support/Forked.h"
#include "support/TmpfsMount.h"
#include "util/Dates.h"
#include "util/Paths.h"

#include <chrono>
#include <csignal>
#include <gmock/gmock.h>
#include <random>
#include <thread>

using namespace tavelin;
using namespace tavelin::test;
namespace fs = std::filesystem;

namespace {

Candidate step(const std::string& id, AdvisorAction action) {
    return Candidate({.id = id, .detector = "test", .title = id, .action = std::move(action)});
}

// Where the home Trash holds the item trashed from `original`, by its info file; "" for none.
std::string inTrash(const std::string& original) {
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(platform::homeTrash() + "/files", error)) {
        auto info = readTrashInfo(infoFileOf(entry.path().string()));
        if (info && info->path == original)
            return entry.path().string();
    }
    return {};
}

struct ApplyBatchTest : ExecutorTest {
    // Moves a new file to the Trash: where it landed.
    std::string trashed(const std::string& relative, const std::string& content) {
        return *env.trash(tree.file(relative, content));
    }
};

TEST_F(ApplyBatchTest, EmptyingInAnyPlaceOfTheListKeepsWhatTheBatchTrashed) {
    for (size_t emptyAt : {0u, 1u, 2u}) {
        SCOPED_TRACE("emptying listed at " + std::to_string(emptyAt));
        clearHomeTrash();
        std::string deleted = trashed("deleted earlier.txt", "old");
        std::string download = tree.file("Downloads/chrome.deb", "a download");
        std::string modules = tree.file("app/node_modules/x.js", "code");
        std::vector<Candidate> steps = {step("deb", AdvisorAction::trash({download})),
                                        step("nm", AdvisorAction::trash({parentPath(modules)}))};
        steps.insert(steps.begin() + emptyAt, step("empty", AdvisorAction::emptyTrash()));

        std::vector<size_t> heard;
        auto done =
            ApplyBatch::run(ApplyBatch::confirm(steps, env), false, env,
                            [&](const ApplyBatch::Step& each) { heard.push_back(each.index); });
        ASSERT_EQ(done.size(), 3u);
        EXPECT_EQ(heard.front(), emptyAt) << "emptying runs first";
        EXPECT_EQ(done.front().result.applied, std::vector<std::string>{deleted});
        EXPECT_FALSE(fs::exists(infoFileOf(deleted)));
        for (const ApplyBatch::Step& each : done) {
            if (!each.result.undo)
                continue;
            const TrashedItem& item = trashedItems(each.result).at(0);
            EXPECT_EQ(readTrashInfo(infoFileOf(item.trashed)).value_or(TrashInfo{}).path,
                      item.original);
            EXPECT_EQ(Executor::undo(*each.result.undo, env), std::nullopt);
        }
        EXPECT_EQ(contentOf(download) + "|" + contentOf(modules), "a download|code");
    }
}

TEST_F(ApplyBatchTest, EmptyingErasesOnlyWhatTheTrashHeldWhenTheUserConfirmed) {
    std::string replaced = trashed("replaced.txt", "confirmed");
    std::string erased = trashed("erased.txt", "confirmed");
    std::string taken = trashed("taken.txt", "confirmed");
    ActionResult record = Executor::trash({tree.file("again.txt", "first")}, env);
    ApplyBatch::Confirmed confirmed =
        ApplyBatch::confirm({step("empty", AdvisorAction::emptyTrash())}, env);

    // Since then: one item was put back and another of its name trashed, one was taken out by
    // hand, and new items arrived, one of them under the name of an entry that goes.
    ASSERT_EQ(platform::restoreFromTrash(replaced, tree.path("replaced.txt")), 0);
    EXPECT_EQ(trashed("elsewhere/replaced.txt", "new"), replaced);
    fs::remove(taken);
    std::string arrived = trashed("arrived.txt", "new");

    auto done = ApplyBatch::run(confirmed, false, env);
    EXPECT_THAT(done.at(0).result.applied,
                testing::UnorderedElementsAre(erased, trashedItems(record).at(0).trashed));
    EXPECT_FALSE(done.at(0).result.error) << "what left on its own is not a failure";
    EXPECT_EQ(contentOf(replaced), "new");
    EXPECT_EQ(contentOf(arrived), "new");
    EXPECT_TRUE(readTrashInfo(infoFileOf(replaced)));
    EXPECT_TRUE(readTrashInfo(infoFileOf(arrived)));
    EXPECT_FALSE(fs::exists(erased));

    // An item of the same name trashed after the emptying is not the one the record moved.
    std::string newcomer = trashed("elsewhere/again.txt", "second");
    EXPECT_EQ(newcomer, trashedItems(record).at(0).trashed);
    EXPECT_FALSE(Executor::canUndo(*record.undo));
    EXPECT_EQ(Executor::undo(*record.undo, env),
              "“again.txt” couldn't be put back; the Trash may have been emptied.");
    EXPECT_EQ(contentOf(newcomer), "second");
    EXPECT_FALSE(fs::exists(tree.path("again.txt")));

    auto unopened = ApplyBatch::confirm(
        {step("empty", AdvisorAction::emptyTrash({tree.path("no such Trash")}))}, env);
    EXPECT_EQ(ApplyBatch::run(unopened, false, env).at(0).result.error,
              "Tavelin couldn't open the Trash.");
}

// Trashes, archives to another disk and empties the Trash in one batch, killed at random
// moments: every original stays in place, or is in the Trash with its info file (and, when
// archived, has a verified copy), and only entries the user confirmed can be gone.
TEST_F(ApplyBatchTest, KilledAtAnyMomentNothingIsLostAndNothingUnconfirmedErased) {
    TmpfsMount mount(folder.path() / "drive", 64 << 20);
    std::string drive = mount.mounted() ? mount.string() : tree.folder("drive");
    env.home = tree.root().string();
    env.macName = [] { return std::string("pc"); };
    env.now = [] { return *localDate(2025, 3, 9, 12, 0, 0); };
    std::string batchFolder = drive + "/From pc 2025-03-09";

    struct Scene {
        std::vector<std::string> trashing, archiving, late;
        ApplyBatch::Confirmed batch;
    };
    auto setUp = [&](const std::string& round) {
        clearHomeTrash();
        fs::remove_all(batchFolder);
        Scene scene;
        for (int i = 0; i < 4; ++i)
            trashed(round + "/confirmed " + std::to_string(i), std::string(20'000, 'c'));
        ApplyBatch::Confirmed confirmed =
            ApplyBatch::confirm({step("empty", AdvisorAction::emptyTrash())}, env);
        for (int i = 0; i < 2; ++i)
            scene.late.push_back(trashed(round + "/late " + std::to_string(i), "late"));
        for (int i = 0; i < 10; ++i) {
            std::string name = round + "/item " + std::to_string(i) + (i % 3 ? ".txt" : "\n%\xFF");
            tree.file(i % 4 ? name : name + "/inside", std::string(30'000 + i, 'i'));
            (i % 2 ? scene.archiving : scene.trashing).push_back(tree.path(name));
        }
        scene.batch = {{step("trash", AdvisorAction::trash(scene.trashing)),
                        step("empty", AdvisorAction::emptyTrash()),
                        step("archive", AdvisorAction::archive(scene.archiving,
                                                               ArchiveDestination::drive(drive)))},
                       confirmed.trash};
        return scene;
    };
    auto run = [&](const Scene& scene) {
        return forkRunning([&] {
            (void)ApplyBatch::run(scene.batch, false, env);
            return 0;
        });
    };

    // How long an undisturbed run takes, so the kills spread over all of it.
    Scene calibration = setUp("calibration");
    auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(waitFor(run(calibration)), 0);
    auto span = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now() - start);
    EXPECT_TRUE(!mount.mounted() || !inTrash(calibration.archiving[0]).empty())
        << "the batch archives";

    std::mt19937 random(20250309);
    for (int round = 0; round < 50; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        Scene scene = setUp("round " + std::to_string(round));
        pid_t child = run(scene);
        std::this_thread::sleep_for(std::chrono::microseconds(
            std::uniform_int_distribution<int64_t>(0, span.count() * 6 / 5)(random)));
        ::kill(child, SIGKILL);
        waitFor(child);

        for (const std::string& late : scene.late)
            ASSERT_EQ(contentOf(late), "late") << "arrived after the confirmation";
        for (const std::string& path : scene.trashing)
            ASSERT_NE(fs::exists(fs::symlink_status(path)), !inTrash(path).empty()) << path;
        for (const std::string& path : scene.archiving) {
            std::string copy = batchFolder + "/" + Executor::relativePath(path, env.home);
            if (fs::exists(fs::symlink_status(path))) {
                EXPECT_TRUE(!fs::exists(copy) || Executor::identical(path, copy)) << path;
                continue;
            }
            EXPECT_TRUE(Executor::identical(inTrash(path), copy)) << path << " is in the Trash";
        }
    }
}

} // namespace
