#include "model/ApplyState.h"

#include "app/ModelFixture.h"
#include "map/TreemapView.h"
#include "platform/Trash.h"
#include "support/BtrfsImage.h"
#include "support/TrashRecords.h"
#include "window/AdvisorPane.h"
#include "window/DetailDialogs.h"
#include "window/ItemTable.h"
#include "window/MainWindow.h"
#include "window/RecentActionsList.h"
#include "window/TavelinCommands.h"

#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace tavelin;
using testing::EndsWith;
using testing::MatchesRegex;
namespace fs = std::filesystem;

namespace {

constexpr int64_t GB = 1'000'000'000;

Candidate step(const std::string& id, AdvisorAction action, int64_t freed = 1'000'000) {
    return Candidate({.id = id,
                      .detector = "test",
                      .title = "Title " + id,
                      .category = AdvisorCategory::caches,
                      .rung = Rung::lossless,
                      .action = std::move(action),
                      .freed = freed,
                      .confidence = 1});
}

Candidate trashing(const std::string& id, std::vector<std::string> paths) {
    return step(id, AdvisorAction::trash(std::move(paths)));
}

struct ApplyStateTest : test::ModelFixture {
    void SetUp() override {
        ModelFixture::SetUp();
        test::clearHomeTrash();
    }

    // Offers exactly these candidates, all ticked.
    static void offer(AppModel& model, std::vector<Candidate> candidates) {
        model.advisor().adopt(candidates);
        for (const Candidate& candidate : candidates)
            model.advisor().setChecked(candidate.id, true);
    }

    static bool applied(AppModel& model) {
        model.applyChecked();
        return QTest::qWaitFor([&] { return !model.applying().isApplying(); }, 20000);
    }

    static std::string report(const AppModel& model) {
        return model.applying().applyReport().value_or(QString()).toStdString();
    }

    static Node* nodeAt(const AppModel& model, const std::string& path) {
        return model.session()->root()->descendant(path);
    }
};

TEST(ApplySummary, CountsEachKindsItemsInAFixedOrderAndNeverMentionsGuides) {
    EXPECT_EQ(ApplyState::summary({trashing("a", {"/a"}), step("e", AdvisorAction::emptyTrash())}),
              "Move 1 item to the Trash and empty the Trash for good.");
    EXPECT_EQ(ApplyState::summary({step("t", AdvisorAction::runTool({})),
                                   step("g", AdvisorAction::guide("u", "i")), trashing("a", {"/a"}),
                                   trashing("b", {"/b", "/c"}),
                                   step("m", AdvisorAction::mergeDuplicates("/k", {"/c"})),
                                   step("t2", AdvisorAction::runTool({}))}),
              "Move 3 items to the Trash, merge 1 set of duplicates, and run 2 clean-ups.");
    EXPECT_EQ(ApplyState::summary(
                  {step("o", AdvisorAction::makeOnlineOnly({"/o"}, {})),
                   step("v", AdvisorAction::archive({"/v"}, ArchiveDestination::drive("/d")))}),
              "Make 1 item online-only and move 1 item to other storage.");
    EXPECT_EQ(ApplyState::summary({step("g", AdvisorAction::guide("u", "i"))}), "");
}

TEST(ApplyReport, SaysWhatCameBackWhatWasExpectedAndTheFirstThreeErrors) {
    // Every step failed: the errors, not the Trash, say why nothing came back.
    EXPECT_EQ(ApplyState::report(0, 2 * GB, 0, {}, {"A: one.", "B: two.", "C: three.", "D: four."})
                  .toStdString(),
              "Freed 0 bytes (expected 2 GB). A: one. B: two. C: three.");
    EXPECT_EQ(ApplyState::report(1 * GB, 5 * GB, 5 * GB, {"2 files are still uploading."}, {})
                  .toStdString(),
              "Freed 1 GB (expected 5 GB). Items in the Trash still use space until it’s "
              "emptied, and snapshots can hold deleted files for a while. 2 files are still "
              "uploading.");
    // Missing the expectation by less than a gigabyte is not worth a word.
    EXPECT_EQ(ApplyState::report(4'000'000'001, 5 * GB, 5 * GB, {}, {}).toStdString(),
              "Freed 4 GB (expected 5 GB).");
    EXPECT_EQ(ApplyState::report(4 * GB, 5 * GB, 5 * GB, {}, {}).toStdString(),
              "Freed 4 GB (expected 5 GB).");
}

TEST_F(ApplyStateTest, ABatchCarriesOnPastFailuresAndReportsThemNeverAsSuccess) {
    tree.file("keep/a", 3'000'000);
    tree.file("half/b", 1'000'000);
    tree.file("half/missing", 1'000'000);
    tree.file("other", 1'000'000);
    auto model = makeModel();
    model->liveUpdates().setEnabled(false); // or the watcher would drop the vanished files itself
    ASSERT_TRUE(scanned(*model, tree.root().string()));
    // "gone" vanished since the scan; "half" loses one of its two items.
    fs::remove(tree.path("other"));
    fs::remove(tree.path("half/missing"));
    offer(*model, {trashing("gone", {tree.path("other")}),
                   trashing("half", {tree.path("half/b"), tree.path("half/missing")}),
                   trashing("a", {tree.path("keep/a")})});
    model->setInspectorTab(InspectorTab::kinds);
    ASSERT_TRUE(applied(*model));

    EXPECT_THAT(report(*model),
                MatchesRegex("Freed .* \\(expected 3 MB\\)\\. "
                             "Title gone: Couldn't move “other” to the Trash\\. "
                             "Title half: Couldn't move “missing” to the Trash\\."));
    EXPECT_EQ(model->notice().value_or("").toStdString(), report(*model))
        << "with the Advisor tab not shown, the status line says it";
    EXPECT_FALSE(fs::exists(tree.path("keep/a")) || fs::exists(tree.path("half/b")));
    // Trashed nodes leave the tree once no advisor pass holds it.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return !nodeAt(*model, tree.path("keep/a")) && !nodeAt(*model, tree.path("half/b"));
        },
        10000));
    EXPECT_NE(nodeAt(*model, tree.path("half/missing")), nullptr)
        << "only what a step moved leaves the tree";
    EXPECT_NE(nodeAt(*model, tree.path("other")), nullptr);
    // Only steps that did something are recent actions; newest first.
    const auto& recent = model->applying().recentActions();
    ASSERT_EQ(recent.size(), 2u);
    EXPECT_EQ(recent[0].title + "|" + recent[1].title, "Title a|Title half");
    EXPECT_TRUE(recent[0].undo);
    // What was done is no longer ticked.
    EXPECT_FALSE(model->advisor().checked().contains("a") ||
                 model->advisor().checked().contains("half"));
}

TEST_F(ApplyStateTest, BatchesAppliedFromATerminalAppearWithoutARestart) {
    auto model = makeModel();
    UndoJournal terminal(data.path() / "undo");
    UndoBatch batch{
        .id = UndoBatch::newId(), .date = std::chrono::system_clock::now(), .actions = {}};
    batch.actions.push_back(RecentAction::make("Title t", {tree.path("t")},
                                               std::chrono::system_clock::now(), 1, std::nullopt));
    ASSERT_FALSE(terminal.save(batch));
    auto listed = [&] { return model->applying().recentActions(); };
    for (int load = 0; load < 2; ++load) {
        model->applying().loadKept();
        ASSERT_TRUE(QTest::qWaitFor([&] { return listed().size() == 1; }, 10000));
        QTest::qWait(50);
        EXPECT_EQ(listed().size(), 1) << "a batch already listed is not listed twice";
    }
    ASSERT_FALSE(terminal.markUndone(batch.id, {batch.actions[0].id}));
    model->applying().loadKept();
    EXPECT_TRUE(QTest::qWaitFor([&] { return listed().at(0).undone; }, 10000));
}

TEST_F(ApplyStateTest, ATrashMadeInsideTheScannedFolderIsMeasuredAtOnce) {
    // No live updates to catch it later: the Trash is used for the first time, inside the scan.
    QSettings().setValue("liveUpdates", false);
    fs::path userHome = std::getenv("HOME");
    test::TreeBuilder documents{userHome / "documents"};
    std::string item = documents.file("report.pdf", 2'000'000);
    auto model = makeModel();
    ASSERT_TRUE(scanned(*model, userHome.string()));
    ASSERT_FALSE(fs::exists(platform::homeTrash()));

    offer(*model, {trashing("a", {item})});
    ASSERT_TRUE(applied(*model));
    std::string landed = platform::homeTrash() + "/files/report.pdf";
    ASSERT_TRUE(fs::exists(landed));
    EXPECT_TRUE(QTest::qWaitFor([&] { return nodeAt(*model, landed) != nullptr; }, 10000))
        << "the space it still takes shows where it went";
    fs::remove_all(userHome / "documents");
}

TEST_F(ApplyStateTest, PutBackRestoresTheFilesTheTreeAndTheListWhileTheTrashHoldsThem) {
    tree.file("a", 2'000'000);
    tree.file("folder/b", 2'000'000);
    MainWindow window(makeModel(), {});
    AppModel& model = window.model();
    ASSERT_TRUE(scanned(model, tree.root().string()));
    int64_t before = model.session()->root()->size - child(model.current(), "a")->size;
    offer(model, {trashing("a", {tree.path("a")})});
    ASSERT_TRUE(applied(model));
    // The same batch trashes "b" and empties the Trash: "a" goes for good, "b" stays.
    offer(model,
          {step("empty", AdvisorAction::emptyTrash()), trashing("b", {tree.path("folder/b")})});
    ASSERT_TRUE(applied(model));
    ASSERT_FALSE(fs::exists(tree.path("folder/b")));

    auto* pane = window.findChild<AdvisorPane*>();
    ASSERT_NE(pane, nullptr);
    const RecentActionsList& list = pane->recentActions();
    ASSERT_TRUE(QTest::qWaitFor([&] { return list.putBackButtons().size() == 1; }, 10000));
    // Newest first: "b", the emptying, then "a".
    ASSERT_EQ(list.rowTexts().size(), 3);
    EXPECT_THAT(list.rowTexts()[0].toStdString(), MatchesRegex("Title b\\|1 MB · .*\\|Put Back"));
    EXPECT_THAT(list.rowTexts()[2].toStdString(),
                EndsWith("|No longer in the Trash, so it can’t be put back."));
    EXPECT_EQ(pane->reportLine().toStdString(), report(model));
    EXPECT_FALSE(model.notice()) << "the Advisor tab shows the report";
    model.undo(model.applying().recentActions()[2].id);
    EXPECT_FALSE(model.applying().isUndoing(model.applying().recentActions()[2].id));
    // Another window, as after a restart, reads the kept batches once they are written.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return UndoJournal(data.path() / "undo").list().size() == 2; }, 10000));
    auto kept = [&] {
        auto restarted = makeModel();
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return restarted->applying().recentActions().size() == 3; }, 10000));
        return restarted->applying().recentActions().at(0);
    };
    EXPECT_EQ(kept().title, "Title b");
    EXPECT_TRUE(kept().canPutBack());

    list.putBackButtons().front()->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return model.applying().recentActions()[0].undone; }, 10000));
    EXPECT_TRUE(fs::exists(tree.path("folder/b")));
    EXPECT_EQ(report(model), "Put back “Title b”.");
    EXPECT_EQ(pane->reportLine(), "Put back “Title b”.");
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return nodeAt(model, tree.path("folder/b")) != nullptr; }, 10000))
        << "the folder is measured again";
    EXPECT_TRUE(QTest::qWaitFor([&] { return model.session()->root()->size == before; }, 10000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return list.rowTexts()[0].endsWith("|Put back"); }, 2000));
    EXPECT_TRUE(list.putBackButtons().empty());
    model.undo(model.applying().recentActions()[0].id);
    EXPECT_FALSE(model.applying().isUndoing(model.applying().recentActions()[0].id))
        << "what was put back is not put back twice";
    EXPECT_TRUE(QTest::qWaitFor([&] { return kept().undone; }, 10000));
}

TEST_F(ApplyStateTest, ConfirmationsNameTheStepsFollowTheDeleteKeyAndTrashOnlyRealItems) {
    tree.file("a", 2'000'000);
    tree.file("b", 2'000'000);
    tree.file("small", 1'000);
    MainWindow window(makeModel(), {});
    AppModel& model = window.model();

    model.askToApply();
    EXPECT_FALSE(model.applying().isConfirmingApply()) << "nothing ticked";
    ASSERT_TRUE(scanned(model, tree.root().string()));
    offer(model, {trashing("a", {tree.path("a")}), step("empty", AdvisorAction::emptyTrash())});
    model.askToApply();
    ASSERT_TRUE(model.applying().isConfirmingApply());
    QMessageBox* box = window.dialogs().applyConfirmation();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), "Apply 2 steps?");
    EXPECT_EQ(box->informativeText(), "Move 1 item to the Trash and empty the Trash for good. "
                                      "Emptying the Trash can’t be undone.");
    EXPECT_TRUE(std::ranges::any_of(box->buttons(), [](QAbstractButton* button) {
        return button->text() == "Apply and Empty Trash";
    }));
    EXPECT_NE(box->defaultButton()->text(), "Apply and Empty Trash");
    box->reject();
    EXPECT_FALSE(model.applying().isConfirmingApply());
    EXPECT_TRUE(fs::exists(tree.path("a"))) << "cancelling applies nothing";

    model.advisor().setChecked("empty", false);
    model.askToApply();
    box = window.dialogs().applyConfirmation();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), "Apply 1 step?");
    EXPECT_EQ(box->informativeText(), "Move 1 item to the Trash. Things moved to the Trash can "
                                      "be put back from Recent Actions.");
    box->reject();

    // The Delete key in the table and the map asks to trash the selection.
    model.advisor().adopt({});
    Node::Ptr a = child(model.current(), "a");
    model.setSelection({a});
    auto* table = window.findChild<ItemTable*>();
    ASSERT_NE(table, nullptr);
    QTest::keyClick(table, Qt::Key_Delete);
    ASSERT_TRUE(model.applying().isConfirmingTrash());
    ASSERT_NE(window.dialogs().trashConfirmation(), nullptr);
    EXPECT_EQ(window.dialogs().trashConfirmation()->informativeText(),
              "You can put it back from the Trash. The space is freed once you empty the Trash.");
    window.dialogs().trashConfirmation()->reject();
    EXPECT_FALSE(model.applying().isConfirmingTrash());
    EXPECT_TRUE(fs::exists(tree.path("a")));

    auto* map = window.findChild<TreemapView*>();
    ASSERT_NE(map, nullptr);
    QTest::keyClick(map, Qt::Key_Delete);
    ASSERT_TRUE(model.applying().isConfirmingTrash());
    EXPECT_EQ(model.applying().trashCandidates(), std::vector<Node::Ptr>{a});
    window.dialogs().trashConfirmation()->button(QMessageBox::Cancel)->click();

    // What the window moves can be put back: from Recent actions, or with Edit › Undo.
    QAction* undo = window.commands().undo;
    EXPECT_FALSE(undo->isEnabled());
    QTest::keyClick(table, Qt::Key_Delete);
    box = window.dialogs().trashConfirmation();
    ASSERT_NE(box, nullptr);
    for (QAbstractButton* button : box->buttons())
        if (button->text() == "Move to Trash")
            button->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return undo->isEnabled(); }, 10000));
    EXPECT_FALSE(fs::exists(tree.path("a")));
    const auto& recent = model.applying().recentActions();
    ASSERT_EQ(recent.size(), 1u);
    EXPECT_EQ(recent[0].title, "a");
    QMenu* edit = window.menuBar()->findChildren<QMenu*>().at(1);
    EXPECT_EQ(edit->title(), "&Edit");
    EXPECT_TRUE(edit->actions().contains(undo));
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window, Qt::Key_Z, Qt::ControlModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return recent[0].undone; }, 10000));
    EXPECT_TRUE(fs::exists(tree.path("a")));
    EXPECT_FALSE(undo->isEnabled()) << "nothing else to put back";
    EXPECT_EQ(model.notice().value_or("").toStdString(), "Put back “a”.");

    // Only real items go to the Trash, and what cannot move is counted with its reason.
    ASSERT_TRUE(scanned(model, tree.root().string()));
    Node::Ptr root = model.session()->root();
    model.askToTrash({root});
    EXPECT_FALSE(model.applying().isConfirmingTrash()) << "the scan's root";
    for (const Node::Ptr& item : root->items())
        if (item->isPseudo()) {
            model.askToTrash({item});
            EXPECT_FALSE(model.applying().isConfirmingTrash()) << "a pseudo node";
        }
    model.askToTrash({});
    EXPECT_FALSE(model.applying().isConfirmingTrash());

    a = child(root, "a");
    Node::Ptr b = child(root, "b");
    model.askToTrash({a, b});
    EXPECT_EQ(model.applying().trashPrompt(), "Move 2 items (4 MB) to the Trash?");
    model.applying().setConfirmingTrash(false);
    EXPECT_TRUE(model.applying().trashCandidates().empty()) << "closing forgets them";

    model.setSelection({a});
    model.askToTrash({a});
    EXPECT_EQ(model.applying().trashPrompt(), "Move “a” (2 MB) to the Trash?");
    // "b" vanished since the scan: it is counted with the system's reason.
    std::filesystem::remove(tree.path("b"));
    model.setNotice(std::nullopt);
    model.askToTrash({a, b});
    model.confirmTrash();
    // The tree lets the item go once the advisor's pass after the scan lets go of the tree.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return model.notice().has_value() && !model.session()->isPaused(); }, 10000));
    EXPECT_EQ(model.notice()->toStdString(),
              "Moved 1 item (2 MB) to the Trash. Empty the Trash to get the space back. "
              "Couldn’t move 1: No such file or directory");
    EXPECT_FALSE(fs::exists(tree.path("a")));
    EXPECT_EQ(nodeAt(model, tree.path("a")), nullptr);
    EXPECT_TRUE(model.selection().empty());
    fs::path trashed = fs::path(platform::homeTrash()) / "files" / "a";
    EXPECT_TRUE(fs::exists(trashed));
}

TEST_F(ApplyStateTest, MergingDuplicatesOnBtrfsMeasuresTheirFolderAgain) {
    test::BtrfsImage image(data.path());
    if (!image.mounted())
        GTEST_SKIP() << image.whyNot();
    test::TreeBuilder disk(image.mountPoint() / "tree");
    std::string keep = disk.file("one/keep", 4'000'000);
    // Written on its own, not copied: a copy on btrfs may already share the data.
    std::string copy = disk.file("two/copy", 4'000'000);
    auto model = makeModel();
    ASSERT_TRUE(scanned(*model, disk.root().string()));
    Node* copyNode = nodeAt(*model, copy);
    ASSERT_NE(copyNode, nullptr);
    ASSERT_EQ(copyNode->unique, copyNode->size) << "a full copy before merging";
    offer(*model, {step("dupes", AdvisorAction::mergeDuplicates(keep, {copy}), 4'000'000)});
    ASSERT_TRUE(applied(*model));
    EXPECT_EQ(report(*model).find("Title dupes:"), std::string::npos) << report(*model);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            Node* merged = nodeAt(*model, copy);
            return merged && merged->unique == 0;
        },
        10000))
        << "the copy shares its data now";
    ASSERT_EQ(model->applying().recentActions().size(), 1u);
    EXPECT_FALSE(model->applying().recentActions()[0].undo) << "a merge has nothing to undo";
    model.reset();
}

} // namespace
