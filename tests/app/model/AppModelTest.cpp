#include "app/ModelFixture.h"
#include "history/Store.h"
#include "support/PoolGate.h"

#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace tavelin;

namespace {

using namespace std::chrono_literals;

class AppModelTest : public test::ModelFixture {
protected:
    History::Store store() { return History::Store(data.path() / "History", 20); }

    // Remembers a scan of the tree an hour ago in which "grows" held 10 MB.
    void rememberAnEarlierScan() {
        ScanRecord record{tree.root().string(),
                          std::chrono::system_clock::now() - 1h,
                          20'000'000,
                          20'000'000,
                          2,
                          {{"", 20'000'000}, {"grows", 10'000'000}}};
        ASSERT_FALSE(store().save(record));
    }
};

} // namespace

TEST_F(AppModelTest, NavigationKeepsBackAndForwardHistoriesShowSelectsAndANewScanStartsAnew) {
    tree.file("a/b/c/file", 2'000'000);
    tree.file("a/other/file", 1'000'000);
    auto model = makeModel();
    ASSERT_TRUE(scanned(*model, tree.root().string()));
    Node::Ptr root = model->current();
    Node::Ptr a = child(root, "a");
    Node::Ptr b = child(a, "b");
    Node::Ptr other = child(a, "other");

    model->open(a, QRectF(0, 0, 10, 10));
    EXPECT_EQ(model->zoomFrom(), QRectF(0, 0, 10, 10));
    model->open(a);
    EXPECT_EQ(model->backStack(), std::vector<Node::Ptr>{root})
        << "opening the shown folder changes nothing";
    model->open(b);
    model->back();
    EXPECT_EQ(model->current(), a);
    EXPECT_FALSE(model->zoomFrom());
    EXPECT_EQ(model->forwardStack(), std::vector<Node::Ptr>{b});
    model->forward();
    EXPECT_EQ(model->current(), b);
    model->back();
    model->open(other);
    EXPECT_TRUE(model->forwardStack().empty())
        << "opening after going back drops the forward history";

    model->setSelection({child(other, "file")});
    model->up();
    EXPECT_EQ(model->current(), a);
    EXPECT_EQ(model->selection(), NodeSet{other}) << "the folder just left is selected";
    EXPECT_EQ(model->backStack().back(), other);
    model->up();
    model->up();
    EXPECT_EQ(model->current(), root);
    size_t depth = model->backStack().size();
    model->up();
    EXPECT_EQ(model->backStack().size(), depth) << "up at the root does nothing";

    model->activate(child(b, "c"));
    EXPECT_EQ(model->current()->name, "c");
    model->activate(child(model->current(), "file"));
    EXPECT_EQ(opened, std::vector<std::string>{tree.path("a/b/c/file")});

    // Show opens the parent and selects the item.
    EXPECT_TRUE(model->exists("a/other/file") && model->exists(""));
    EXPECT_FALSE(model->exists("a/nothing"));
    model->show(std::string("a/other/file"));
    EXPECT_EQ(model->current(), other);
    EXPECT_EQ(model->selectedNodes(), std::vector<Node::Ptr>{child(other, "file")});

    // A new scan starts at its root, without the last zoom.
    model->open(a, QRectF(0.5, 0, 0.5, 1));
    std::optional<QRectF> zoomWhenShown = QRectF();
    QObject::connect(model.get(), &AppModel::currentChanged, model.get(),
                     [&] { zoomWhenShown = model->zoomFrom(); });
    model->scan(tree.root().string());
    EXPECT_EQ(zoomWhenShown, std::nullopt) << "the new tree must not zoom from the old tile";
    EXPECT_EQ(model->current(), model->session()->root());
    EXPECT_TRUE(model->backStack().empty());
}

TEST_F(AppModelTest, SearchNeedsTwoCharactersAndReturnsAtMost400LargestFirst) {
    for (int i = 0; i < 450; ++i)
        tree.file("many/deeper/match " + std::to_string(i), 1'000'000 + i * 4096);
    tree.file("x/y", 10);
    auto model = makeModel();
    ASSERT_TRUE(scanned(*model, tree.root().string()));

    model->setSearchText(QStringLiteral("  m  "));
    EXPECT_TRUE(model->searchResults().empty());
    EXPECT_EQ(model->rows().size(), model->current()->items().size());

    model->setSearchText(QStringLiteral("MATCH"));
    auto results = model->searchResults();
    ASSERT_EQ(results.size(), 400u);
    EXPECT_EQ(results.front()->name, "match 449");
    EXPECT_GE(results[0]->size, results[399]->size);
    EXPECT_EQ(model->rows().size(), 400u);

    model->setSearchText(QStringLiteral("deep"));
    ASSERT_EQ(model->searchResults().size(), 1u);
    EXPECT_TRUE(model->searchResults().front()->isDirectory());
}

TEST_F(AppModelTest, EqualValuesNotifyNobodyAndTheMeasureResortsAndIsRemembered) {
    auto model = makeModel();
    QSignalSpy volumesSpy(model.get(), &AppModel::volumesChanged);
    QSignalSpy selectionSpy(model.get(), &AppModel::selectionChanged);
    model->setVolumes(volumes);
    model->setSelection({});
    EXPECT_EQ(volumesSpy.count(), 0);
    EXPECT_EQ(selectionSpy.count(), 0);
    auto node = Node::make("n", Node::Kind::directory);
    model->setSelection({node});
    model->setSelection({node});
    EXPECT_EQ(selectionSpy.count(), 1);

    // The measure resorts and is remembered.
    QSettings().setValue("measure", "unique");
    model = makeModel();
    EXPECT_EQ(model->measure(), Measure::unique);
    EXPECT_EQ(model->sortOrder(), (std::vector<SortComparator>{{SortKey::size, false}}));
    model->setMeasure(Measure::allocated);
    EXPECT_EQ(QSettings().value("measure").toString(), "allocated");
    EXPECT_EQ(model->sortOrder(), (std::vector<SortComparator>{{SortKey::size, false}}));
    model->setMeasure(Measure::unique);
    EXPECT_EQ(model->sortOrder(), (std::vector<SortComparator>{{SortKey::unique, false}}));
    model->setMeasure(Measure::apparent);
    EXPECT_EQ(model->sortOrder(), (std::vector<SortComparator>{{SortKey::apparent, false}}));
    EXPECT_EQ(makeModel()->measure(), Measure::apparent) << "read back from the settings";
}

TEST_F(AppModelTest, RecentsKeepSixWithoutDisksHomeOrDuplicates) {
    for (int i = 0; i < 8; ++i)
        tree.folder("f" + std::to_string(i));
    volumes.push_back({tree.path("f7"), "Disk", tree.path("f7"), 1000, 500, false, false});
    auto model = makeModel();
    for (int i = 0; i < 7; ++i)
        ASSERT_TRUE(scanned(*model, tree.path("f" + std::to_string(i))));
    ASSERT_TRUE(scanned(*model, tree.path("f2")));
    ASSERT_TRUE(scanned(*model, tree.path("f7")));
    ASSERT_TRUE(scanned(*model, home.root().string()));
    std::vector<std::string> expected{tree.path("f2"), tree.path("f6"), tree.path("f5"),
                                      tree.path("f4"), tree.path("f3"), tree.path("f1")};
    EXPECT_EQ(model->recents(), expected);
    EXPECT_EQ(QSettings().value("recents").toStringList().size(), 6);
    EXPECT_EQ(makeModel()->recents(), expected) << "read back from the settings";
}

TEST_F(AppModelTest, AWholeDiskScanUsesTheDiskNameAndItsUsedSpaceWithoutTheReserve) {
    tree.file("file", 2'000'000);
    volumes.push_back({tree.root().string(), "Data Disk", tree.root().string(), 110'000'000'000,
                       40'000'000'000, false, false, 10'000'000'000});
    auto model = makeModel();
    model->scan(tree.root().string());
    ASSERT_TRUE(model->session());
    EXPECT_EQ(model->current()->name, "Data Disk");
    EXPECT_EQ(model->current()->expectedSize, 60'000'000'000);
    EXPECT_TRUE(model->subtitle().startsWith("Scanning… ")) << model->subtitle().toStdString();
    EXPECT_TRUE(model->subtitle().endsWith(" of 60 GB used"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !model->session()->isRunning(); }, 20000));
    EXPECT_TRUE(model->recents().empty());
    EXPECT_TRUE(model->subtitle().endsWith(" · 10 GB reserved for the system, not in the map"))
        << model->subtitle().toStdString();
}

TEST_F(AppModelTest, WithoutAccessAProtectedFolderItselfIsScannedButHomeWaitsForTheSheet) {
    home.file("Documents/letter", 10);
    home.file("Desktop/note", 10);
    granted = false;
    auto model = makeModel();
    ASSERT_TRUE(scanned(*model, home.path("Documents")));
    ASSERT_TRUE(model->session());
    EXPECT_EQ(model->session()->path(), home.path("Documents"));
    auto shown = model->session();

    model->scan(home.root().string());
    EXPECT_TRUE(model->access().isAskingForAccess());
    EXPECT_EQ(model->session(), shown) << "the sheet comes instead of the scan";
    ASSERT_TRUE(model->access().pendingScan());
    EXPECT_EQ(model->access().pendingScan()->path, home.root().string());
}

TEST_F(AppModelTest, SharedSpaceIsExplainedOnlyWhenItIsWorthIt) {
    constexpr int64_t GB = 1'000'000'000;
    EXPECT_TRUE(AppModel::sharingWorthExplaining(10 * GB, 10 * GB - 1'500'000'000));
    EXPECT_FALSE(AppModel::sharingWorthExplaining(40 * GB, 40 * GB - 1'500'000'000));
    EXPECT_TRUE(AppModel::sharingWorthExplaining(40 * GB, 38 * GB));
    EXPECT_FALSE(AppModel::sharingWorthExplaining(10 * GB, 10 * GB));
}

TEST_F(AppModelTest, RescanningScansTheSameFolderAgainUnderItsName) {
    // The path and the name belong to the session that the new scan replaces and frees.
    tree.file("a folder with a long enough name/file", 2'000'000);
    const std::string path = tree.path("a folder with a long enough name");
    auto model = makeModel();
    model->scan(path, "Shown Name");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !model->isScanning(); }, 20000));

    model->rescan();
    ASSERT_TRUE(model->session());
    EXPECT_EQ(model->session()->path(), path);
    EXPECT_EQ(model->session()->root()->name, "Shown Name");
    EXPECT_EQ(model->sidebarSelection(), path);
    EXPECT_EQ(model->recents(), std::vector<std::string>{path});
}

TEST_F(AppModelTest,
       TheHistoryIsReadOffTheUiThreadComparedOnceBothScansAreThereAndNeverReachesAReplacement) {
    tree.file("grows/data", 60'000'000);
    rememberAnEarlierScan();
    AppEnvironment busy = environment();
    auto model = std::make_unique<AppModel>(busy);
    {
        test::PoolGate gate(*busy.pool);
        model->scan(tree.root().string());
        EXPECT_FALSE(model->history().previousRecord()) << "read on the UI thread";
        EXPECT_TRUE(model->history().isBusy());
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return model->history().changesCompared(); }, 20000));
    ASSERT_TRUE(model->history().previousRecord());
    ASSERT_EQ(model->history().changes().size(), 1u);
    EXPECT_EQ(model->history().changes().front().path, "grows");
    EXPECT_NEAR(static_cast<double>(*model->history().growth(*child(model->current(), "grows"))),
                50e6, 1e6);

    // The read for a scan replaced while it waited never reaches the new one.
    home.file("other", 1'000'000);
    {
        test::PoolGate gate(*busy.pool);
        model->scan(tree.root().string());
        model->scan(home.root().string());
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return !model->history().isBusy(); }, 20000));
    QTest::qWait(300); // time for the first scan's read to come back, and be dropped
    EXPECT_FALSE(model->history().previousRecord());
    EXPECT_FALSE(model->history().growth(*model->current()));
    EXPECT_FALSE(model->history().changesCompared());
}
