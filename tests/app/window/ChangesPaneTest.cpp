#include "window/ChangesPane.h"

#include "app/ModelFixture.h"
#include "history/Store.h"
#include "util/Format.h"
#include "window/ChangeRow.h"
#include "window/DateText.h"
#include "window/PaneMessage.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QTest>

using namespace tavelin;

namespace {

class ChangesPaneTest : public test::ModelFixture {
protected:
    // A record of the tree an hour and a day ago, holding folders that have since shrunk,
    // dropped under the record's floor, or gone.
    void rememberAnEarlierScan(std::map<std::string, int64_t> sizes) {
        sizes[""] = 200'000'000;
        ScanRecord record{tree.root().string(), earlier, 200'000'000,
                          200'000'000,          10,      std::move(sizes)};
        ASSERT_FALSE(History::Store(data.path() / "History", 20).save(record));
    }

    Date earlier = std::chrono::system_clock::now() - std::chrono::hours(25);
};

} // namespace

TEST_F(ChangesPaneTest, ExplainsItselfBeforeAnyScanOnTheFirstScanOfALocationAndWhenNothingMoved) {
    tree.file("folder/file", 2'000'000);
    auto model = makeModel();
    ChangesPane pane(*model);
    EXPECT_EQ(pane.message().title(), "Nothing Scanned");
    EXPECT_EQ(pane.message().text(), "Scan a disk or folder to track how it changes.");

    ASSERT_TRUE(scanned(*model, tree.root().string()));
    EXPECT_EQ(pane.message().title(), "First Scan Here");
    EXPECT_EQ(pane.message().text(),
              "Tavelin remembers this scan. Next time, what grew or shrank since shows here.");

    ASSERT_TRUE(historySaved());
    ASSERT_TRUE(scanned(*model, tree.root().string()));
    EXPECT_EQ(pane.bodyMessage().title(), "Nothing Moved Much");
    EXPECT_EQ(pane.bodyMessage().text(), "No folder grew or shrank by 50 MB or more.");
    EXPECT_TRUE(pane.rows().empty());
}

TEST_F(ChangesPaneTest, WaitsForTheScanThenListsWhatMovedAndShowsItInTheMap) {
    tree.file("shrinks/data", 12'000'000);
    tree.file("dwindled/data", 1'000'000);
    rememberAnEarlierScan(
        {{"shrinks", 80'000'000}, {"dwindled", 60'000'000}, {"vanished", 55'000'000}});
    auto model = makeModel();
    ChangesPane pane(*model);
    pane.show();

    model->scan(tree.root().string());
    // Held subtrees keep the scan running while the previous record is read.
    model->session()->pauseTreeUpdates();
    EXPECT_EQ(pane.message().title(), "Comparing After the Scan");
    ASSERT_TRUE(QTest::qWaitFor([&] { return model->history().previousRecord(); }, 5000));
    EXPECT_FALSE(pane.message().isVisibleTo(&pane));
    EXPECT_EQ(pane.headline(), "Scanning…");
    EXPECT_EQ(pane.bodyMessage().title(), "Comparing After the Scan");
    model->session()->resumeTreeUpdates();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return !model->isScanning() && model->history().changesCompared(); }, 20000));

    int64_t now = model->session()->root()->size;
    EXPECT_EQ(pane.headline(), "Shrank " + QString::fromStdString(formatBytes(200'000'000 - now)));
    EXPECT_EQ(pane.since(), "Since the scan yesterday (" + DateText::abbreviated(earlier) + ")");
    EXPECT_FALSE(pane.bodyMessage().isVisibleTo(&pane));

    auto rows = pane.rows();
    ASSERT_EQ(rows.size(), 3u);
    std::vector<std::string> paths;
    std::vector<QString> details;
    for (ChangeRow* row : rows) {
        paths.push_back(row->change().path);
        details.push_back(ChangeRow::detailText(row->change(), model->exists(row->change().path)));
    }
    EXPECT_EQ(paths, (std::vector<std::string>{"shrinks", "dwindled", "vanished"}));
    Node::Ptr shrinks = child(model->current(), "shrinks");
    EXPECT_EQ(details,
              (std::vector<QString>{"80 MB → " + QString::fromStdString(formatBytes(shrinks->size)),
                                    "Now under 10 MB", "Gone"}));
    EXPECT_EQ(rows[0]->toolTip(), "shrinks");

    QTest::mouseDClick(rows[1], Qt::LeftButton);
    EXPECT_EQ(model->selection(), NodeSet{child(model->current(), "dwindled")});

    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5),
                            rows[0]->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(rows[0], &event);
    ASSERT_TRUE(rows[0]->menu()->isVisible());
    ASSERT_EQ(rows[0]->menu()->actions().size(), 1);
    EXPECT_EQ(rows[0]->menu()->actions().front()->text(), "Show in Map");
    rows[0]->menu()->actions().front()->trigger();
    rows[0]->menu()->close();
    EXPECT_EQ(model->selection(), NodeSet{shrinks});

    rows[2]->setFocus();
    QTest::keyClick(rows[2], Qt::Key_Return);
    EXPECT_EQ(model->selection(), NodeSet{shrinks}) << "what is gone cannot be shown";
}

TEST_F(ChangesPaneTest, AStoppedScanClaimsNoDifference) {
    tree.file("steady/data", 12'000'000);
    rememberAnEarlierScan({{"steady", 300'000'000}});
    auto model = makeModel();
    ChangesPane pane(*model);
    pane.show();
    model->scan(tree.root().string());
    model->session()->cancel();
    model->treeChanged();
    ASSERT_FALSE(model->isScanning());
    QTest::qWait(50);
    EXPECT_FALSE(model->history().changesCompared());
    EXPECT_EQ(pane.headline(), "") << "a partial tree gives no difference";
    EXPECT_EQ(pane.bodyMessage().title(), "Comparing After the Scan")
        << "a part of the tree must not read as nothing having moved";
    EXPECT_TRUE(pane.rows().empty());
}

TEST_F(ChangesPaneTest, RowsNameTheKindOfChangeAndDatesInWholeUnits) {
    Change added{"a/new", std::nullopt, 70'000'000};
    Change gone{"old", 60'000'000, std::nullopt};
    Change grew{"a/b", 10'000'000, 70'000'000};
    Change same{"c", 70'000'000, 70'000'000};
    EXPECT_STREQ(ChangeRow::symbolOf(added), "plus.circle.fill");
    EXPECT_STREQ(ChangeRow::symbolOf(gone), "minus.circle.fill");
    EXPECT_STREQ(ChangeRow::symbolOf(grew), "arrow.up.circle.fill");
    EXPECT_STREQ(ChangeRow::symbolOf(same), "arrow.down.circle.fill");
    EXPECT_EQ(ChangeRow::detailText(added, true), "New");

    Date now = std::chrono::system_clock::now();
    auto ago = [&](int64_t seconds) {
        return DateText::relative(now - std::chrono::seconds(seconds), now);
    };
    EXPECT_EQ((QStringList{ago(0), ago(1), ago(59), ago(60), ago(86'399), ago(86'400),
                           ago(2 * 86'400), ago(7 * 86'400), ago(400 * 86'400), ago(-7'200)}),
              (QStringList{"now", "1 second ago", "59 seconds ago", "1 minute ago", "23 hours ago",
                           "yesterday", "2 days ago", "last week", "last year", "in 2 hours"}));
    EXPECT_EQ(DateText::abbreviated(kDistantPast), "");
}
