#include "window/AdvisorPane.h"

#include "advisor/duplicates/DuplicatesDetector.h"
#include "app/ModelFixture.h"
#include "app/model/RunningDetector.h"
#include "widgets/SymbolIcons.h"
#include "window/CandidateRow.h"
#include "window/PaneMessage.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <atomic>
#include <thread>

using namespace tavelin;

namespace {

constexpr int64_t GB = 1'000'000'000;

struct AdvisorPaneTest : test::ModelFixture {
    void TearDown() override { Advisor::resetDetectors(); }

    // A pane over a scan of "folder", kept as `model` and `pane`, with no quick detectors.
    AdvisorPane& scannedPane(QSize size = {}) {
        Advisor::setQuickDetectors({});
        tree.file("folder/sub/file", 2'000'000);
        model = makeModel();
        pane = std::make_unique<AdvisorPane>(*model);
        if (size.isValid())
            pane->resize(size);
        pane->show();
        EXPECT_TRUE(scanned(*model, tree.path("folder")));
        return *pane;
    }

    Candidate step(const std::string& id, Rung rung, int64_t freed,
                   std::optional<Project> project = std::nullopt) {
        return Candidate({.id = id,
                          .detector = "test-" + id,
                          .title = "Title " + id,
                          .category = AdvisorCategory::caches,
                          .rung = rung,
                          .action = AdvisorAction::trash({tree.path("folder/" + id)}),
                          .freed = freed,
                          .project = std::move(project),
                          .evidence = {{Evidence::Kind::note, "Evidence " + id}},
                          .confidence = 1});
    }

    CandidateRow* row(AdvisorPane& pane, const std::string& id) {
        for (CandidateRow* each : pane.rows())
            if (each->candidate().id == id)
                return each;
        ADD_FAILURE() << "no row " << id;
        return nullptr;
    }

    QAction* action(QMenu& menu, const QString& text) {
        for (QAction* each : menu.actions())
            if (each->text() == text)
                return each;
        ADD_FAILURE() << "no menu item " << text.toStdString();
        return nullptr;
    }

    std::unique_ptr<AppModel> model;
    std::unique_ptr<AdvisorPane> pane;
};

} // namespace

TEST_F(AdvisorPaneTest, TheMessageFollowsTheScanUntilThereIsSomethingToSuggest) {
    Advisor::setQuickDetectors({});
    tree.file("folder/file", 2'000'000);
    auto model = makeModel();
    AdvisorPane pane(*model);
    EXPECT_FALSE(pane.showsList());
    EXPECT_EQ(pane.message().title(), "Nothing Scanned");
    EXPECT_EQ(pane.message().text(),
              "Scan your disk to see what you can free, and what it would cost you.");

    model->scan(tree.path("folder"));
    ASSERT_TRUE(model->isScanning());
    EXPECT_TRUE(pane.message().title().startsWith("Scanning… "));
    EXPECT_EQ(pane.message().text(), "Suggestions appear here as folders finish scanning.");

    ASSERT_TRUE(
        QTest::qWaitFor([&] { return !model->isScanning() && !model->history().isBusy(); }, 10000));
    EXPECT_FALSE(pane.showsList());
    EXPECT_EQ(pane.message().title(), "Nothing to Suggest");
    EXPECT_EQ(pane.message().text(), "Nothing here looks safe to remove or move.");
}

TEST_F(AdvisorPaneTest, TheListGroupsStepsTicksTheCheapestSetAndShowsToolsAndDuplicateSets) {
    AdvisorPane& pane = scannedPane();
    model->advisor().setGoal(Goal::bytes(10 * GB));
    model->advisor().adopt({step("cache", Rung::lossless, 4 * GB),
                            step("yours", Rung::review, 3 * GB),
                            step("build", Rung::rebuildable, 2 * GB, Project{"/p/app", "app"})});
    ASSERT_TRUE(pane.showsList());
    EXPECT_EQ(pane.goalPicker().currentText(), "10 GB");
    EXPECT_EQ(pane.goalPicker().itemText(4), "Max safe");
    EXPECT_EQ(pane.headline(), "Selected 6 GB");
    EXPECT_EQ(pane.goalLine(), "4 GB short of your goal without touching your own files. Items "
                               "marked “Your call” can make up the rest.");
    QStringList texts = pane.listTexts();
    for (const char* expected :
         {"Around your computer", "Caches & Logs", "Title cache", "No loss", "Your call",
          "Evidence yours", "Projects", "app", "1 of 1 selected"})
        EXPECT_TRUE(texts.contains(expected)) << expected;
    EXPECT_LT(texts.indexOf("Around your computer"), texts.indexOf("Projects"));

    QTest::mouseClick(&row(pane, "yours")->tick(), Qt::LeftButton);
    EXPECT_TRUE(model->advisor().checked().contains("yours"));
    EXPECT_EQ(pane.headline(), "Selected 9 GB");

    pane.goalPicker().activated(4);
    EXPECT_EQ(model->advisor().goal(), Goal::asMuchAsSafe());
    EXPECT_EQ(pane.goalLine(), "Everything that costs you nothing or next to nothing. Tick more "
                               "below if you like.");

    // Tool steps show their command, and sets let the user choose the copy that stays.
    Candidate tool = step("apt", Rung::ownerTool, GB);
    tool.action =
        AdvisorAction::runTool({"/usr/bin/pkexec", {"apt-get", "clean"}, "pkexec apt-get clean"});
    auto file = [](std::string path, int64_t created) {
        return DuplicatesDetector::File{.identity = {.path = std::move(path),
                                                     .length = 6'000'000,
                                                     .allocated = 6'000'000,
                                                     .device = 1,
                                                     .inode = static_cast<uint64_t>(created),
                                                     .created = {created, 0}}};
    };
    std::string home = this->home.root().string();
    auto set =
        DuplicatesDetector().candidate({file(home + "/a/IMG.jpg", 1), file(home + "/b/IMG.jpg", 2),
                                        file(home + "/c/IMG copy.jpg", 3)});
    ASSERT_TRUE(set);
    // No event loop from here on: a refresh of the advisor would drop these made-up steps.
    model->advisor().adopt({tool, *set});
    model->advisor().setChecked(set->id, true);
    texts = pane.listTexts();
    for (const char* expected : {"pkexec apt-get clean", "Which copy stays:", "~/c/IMG copy.jpg"})
        EXPECT_TRUE(texts.contains(expected)) << expected;

    auto radios = row(pane, set->id)->findChildren<QRadioButton*>();
    ASSERT_EQ(radios.size(), 3);
    EXPECT_TRUE(radios[0]->isChecked()) << "the oldest stays unless the user chooses";
    radios[2]->click();
    auto ticked = model->advisor().checkedCandidates();
    auto chosen = std::ranges::find(ticked, set->id, &Candidate::id);
    ASSERT_NE(chosen, ticked.end()) << "still ticked";
    EXPECT_EQ(chosen->action.paths(),
              (std::vector<std::string>{home + "/a/IMG.jpg", home + "/b/IMG.jpg"}));
    EXPECT_EQ(row(pane, set->id)->candidate().title, "IMG copy.jpg");
    EXPECT_TRUE(row(pane, set->id)->findChildren<QRadioButton*>()[2]->isChecked());
}

TEST_F(AdvisorPaneTest, LongTextsWrapOrShortenWithinTheTabsWidth) {
    AdvisorPane& pane = scannedPane(QSize(340, 700));
    Candidate wordy = step("wordy", Rung::review, 3 * GB, Project{"/p/app", "app"});
    wordy.title = std::string(120, 'n') + ".iso";
    wordy.evidence = {{Evidence::Kind::note, "Evidence " + std::string(60, 'e') + " " +
                                                 std::string(60, 'f') + " and a short end"},
                      {Evidence::Kind::note, "Downloaded 8 months ago"}};
    model->advisor().adopt({wordy, step("cache", Rung::lossless, GB)});
    QApplication::processEvents();
    for (CandidateRow* each : pane.rows()) {
        auto* size = each->findChild<QLabel*>(QStringLiteral("size"));
        QRect shown(size->mapTo(&pane, QPoint()), size->size());
        EXPECT_LE(shown.right(), pane.width()) << each->candidate().id << " size is cut off";
    }
    auto chip = [&](const QString& start) {
        for (QLabel* each : row(pane, "wordy")->findChildren<QLabel*>(QStringLiteral("chip")))
            if (each->text().startsWith(start))
                return each;
        return static_cast<QLabel*>(nullptr);
    };
    QLabel* longChip = chip("Evidence");
    QLabel* shortChip = chip("Downloaded");
    ASSERT_TRUE(longChip && shortChip);
    EXPECT_GT(longChip->height(), 2 * shortChip->height()) << "a long chip wraps, whole";
    EXPECT_LE(longChip->mapTo(&pane, QPoint(longChip->width(), 0)).x(), pane.width());
    EXPECT_GE(shortChip->width(), shortChip->fontMetrics().horizontalAdvance(shortChip->text()))
        << "a short one keeps its line";
    QStringList texts = pane.listTexts();
    EXPECT_TRUE(texts.contains(QString::fromStdString(wordy.title)));
    EXPECT_TRUE(texts.contains("1 suggestion")) << "one step is not counted as several";
}

TEST(AdvisorPaneIcons, EveryCategoryAndRowButtonHasAnIcon) {
    for (AdvisorCategory category : kAllCategories)
        EXPECT_FALSE(symbolIcon(std::string(symbol(category)).c_str()).isNull()) << title(category);
    for (const char* button : {"ellipsis.circle", "arrow.up.forward.app", "magnifyingglass"})
        EXPECT_FALSE(symbolIcon(button).isNull()) << button;
}

TEST_F(AdvisorPaneTest, TheRowMenuShowsInTheMapAndHides) {
    home.folder("Dropbox");
    AdvisorPane& pane = scannedPane();
    // The scan's own passes would replace these steps when they end.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return !model->advisor().slowRunning() && !model->advisor().interimRunning(); },
        10000));
    model->advisor().adopt({step("sub", Rung::lossless, GB), step("other", Rung::lossless, GB)});
    // No sync client here can keep files online-only: moving there would always fail.
    for (QAction* each : row(pane, "sub")->menu().actions())
        EXPECT_FALSE(each->text().contains("Online Only")) << each->text().toStdString();
    EXPECT_TRUE(action(row(pane, "sub")->menu(), "Move to Another Drive…"));

    action(row(pane, "sub")->menu(), "Show in Map")->trigger();
    ASSERT_EQ(model->selectedNodes().size(), 1u);
    EXPECT_EQ(model->selectedNodes()[0]->path(), tree.path("folder/sub"));
    action(row(pane, "sub")->menu(), "Show in File Manager")->trigger();
    EXPECT_EQ(revealed, std::vector<std::string>{tree.path("folder/sub")});

    action(row(pane, "sub")->menu(), "Hide This Suggestion")->trigger();
    QCoreApplication::processEvents();
    EXPECT_EQ(pane.rows().size(), 1u);
    EXPECT_TRUE(pane.listTexts().contains("Title sub")) << "listed among the hidden";
    QPushButton* show = nullptr;
    for (QPushButton* button : pane.findChildren<QPushButton*>())
        if (button->text() == "Show")
            show = button;
    QTest::mouseClick(show, Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_EQ(pane.rows().size(), 2u);
}

TEST_F(AdvisorPaneTest, SaysWhileItLooksForDuplicates) {
    std::atomic<bool> release = false;
    // A slow detector that waits for the test.
    Advisor::setSlowDetectors({std::make_shared<test::RunningDetector>("duplicates", true, [&] {
        while (!release)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    })});
    AdvisorPane& pane = scannedPane();
    ASSERT_TRUE(QTest::qWaitFor([&] { return model->advisor().slowRunning(); }, 10000));
    model->advisor().adopt({step("a", Rung::lossless, GB)});
    auto lineShown = [&] {
        for (QLabel* label : pane.findChildren<QLabel*>())
            if (label->text() == "Looking for duplicate files…")
                return label->isVisibleTo(&pane);
        return false;
    };
    EXPECT_TRUE(lineShown());
    release = true;
    ASSERT_TRUE(QTest::qWaitFor([&] { return !model->advisor().slowRunning(); }, 10000));
    EXPECT_FALSE(lineShown());
}
