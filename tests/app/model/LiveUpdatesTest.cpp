// The window's live updates: the setting, the watcher's life with the scans, and Rescan.

#include "app/ModelFixture.h"
#include "support/TreeCompare.h"

#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <filesystem>
#include <gtest/gtest.h>

using namespace tavelin;
namespace fs = std::filesystem;

using LiveUpdatesTest = test::ModelFixture;

namespace {

// The watcher starts once the pool has listed the tree's folders.
const FolderWatcher* startedWatcher(AppModel& model) {
    auto watcher = [&] { return model.liveUpdates().state().watcher(); };
    return QTest::qWaitFor([&] { return watcher() != nullptr; }, 10000) ? watcher() : nullptr;
}

} // namespace

TEST_F(LiveUpdatesTest, TheSettingAndEachNewScanStartAndStopTheWatcherWhichBringsNewFilesIn) {
    tree.file("downloads/old", 2'000'000);
    QSettings().setValue("liveUpdates", false);
    auto model = makeModel();
    EXPECT_FALSE(model->liveUpdates().enabled());
    ASSERT_TRUE(scanned(*model, tree.root().string()));
    EXPECT_FALSE(model->liveUpdates().state().watcher());

    model->liveUpdates().setEnabled(true);
    ASSERT_TRUE(startedWatcher(*model));
    EXPECT_TRUE(QSettings().value("liveUpdates").toBool());

    Date beforeScan = FolderWatcher::now();
    model->scan(tree.root().string());
    EXPECT_FALSE(model->liveUpdates().state().watcher()) << "none while the scan runs";
    EXPECT_GE(model->liveUpdates().state().watchSince(), beforeScan) << "replayed from its start";
    ASSERT_TRUE(QTest::qWaitFor([&] { return !model->isScanning(); }, 20000));
    EXPECT_TRUE(startedWatcher(*model));
    model->scan(tree.root().string());
    model->stopScanning();
    EXPECT_FALSE(model->liveUpdates().state().watcher()) << "a stopped scan is not followed";

    ASSERT_TRUE(scanned(*model, tree.root().string()));
    ASSERT_TRUE(startedWatcher(*model));
    // A file made after the scan shows in the map.
    QSignalSpy refreshed(&model->liveUpdates(), &LiveUpdates::refreshed);
    int64_t before = model->session()->root()->size;
    int64_t version = model->version();

    tree.file("downloads/new.iso", 30'000'000);
    // Batched for five seconds, then listed again.
    ASSERT_TRUE(QTest::qWaitFor([&] { return model->session()->root()->size > before; }, 20000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return model->version() > version; }, 1000))
        << "the map is redrawn";
    EXPECT_TRUE(QTest::qWaitFor([&] { return refreshed.count() > 0; }, 5000));
    EXPECT_EQ(
        test::treeDifference(*model->session()->root(), *test::freshScan(tree.root().string())),
        "");
    EXPECT_FALSE(model->liveUpdates().state().isRefreshing());
    model->liveUpdates().setEnabled(false);
    EXPECT_FALSE(model->liveUpdates().state().watcher());
    EXPECT_FALSE(QSettings().value("liveUpdates").toBool());

    auto environment = this->environment();
    environment.isDemonstration = true;
    AppModel demonstration(environment);
    demonstration.liveUpdates().setEnabled(true);
    ASSERT_TRUE(scanned(demonstration, tree.root().string()));
    EXPECT_FALSE(demonstration.liveUpdates().state().watcher()) << "never in the demonstration";
}

TEST_F(LiveUpdatesTest, RescanMeasuresAFolderInPlaceAndTheRootAnew) {
    tree.file("a/b/c/file", 2'000'000);
    auto model = makeModel();
    model->liveUpdates().setEnabled(false);
    ASSERT_TRUE(scanned(*model, tree.root().string()));
    auto session = model->session();
    Node::Ptr a = child(model->current(), "a");
    Node::Ptr c = child(child(a, "b"), "c");
    model->open(a);
    model->open(child(a, "b"));
    model->open(c);

    tree.file("a/b/c/more", 3'000'000);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !session->isPaused(); }, 10000));
    model->rescan(a);
    EXPECT_TRUE(a->isScanning);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !a->isScanning; }, 20000));
    QTest::qWait(300); // the tree-change step
    EXPECT_EQ(model->session(), session) << "in place";
    EXPECT_EQ(test::treeDifference(*session->root(), *test::freshScan(tree.root().string())), "");
    EXPECT_NE(model->current(), c) << "the open folder was walked anew";
    EXPECT_EQ(model->current()->path(), tree.path("a/b/c"));
    EXPECT_TRUE(model->current()->isAttached());
    for (const auto& node : model->backStack())
        EXPECT_TRUE(node->isAttached()) << node->path();

    model->open(session->root());
    model->rescan();
    EXPECT_NE(model->session(), session) << "the root is scanned anew";
}
