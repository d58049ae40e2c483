#include "window/InspectorView.h"

#include "app/ModelFixture.h"
#include "util/Format.h"
#include "window/KindsPane.h"
#include "window/PaneMessage.h"

#include <QAbstractButton>
#include <QTest>
#include <QTreeWidget>

using namespace tavelin;

using InspectorViewTest = test::ModelFixture;

TEST_F(InspectorViewTest, ThePickerAndTheModelsTabFollowEachOther) {
    auto model = makeModel();
    InspectorView inspector(*model);
    inspector.show();
    EXPECT_EQ(inspector.currentPane(), static_cast<int>(InspectorTab::advisor));

    QTest::mouseClick(inspector.tabButton(static_cast<int>(InspectorTab::kinds)), Qt::LeftButton);
    EXPECT_EQ(model->inspectorTab(), InspectorTab::kinds);
    EXPECT_EQ(inspector.currentPane(), static_cast<int>(InspectorTab::kinds));

    model->setInspectorTab(InspectorTab::changes);
    EXPECT_TRUE(inspector.tabButton(static_cast<int>(InspectorTab::changes))->isChecked());
    EXPECT_FALSE(inspector.tabButton(static_cast<int>(InspectorTab::kinds))->isChecked());
    EXPECT_EQ(inspector.currentPane(), static_cast<int>(InspectorTab::changes));
}

TEST_F(InspectorViewTest, KindsPaneListsKindsWithTheirExtensions) {
    tree.file("photo.JPG", 50'000);
    tree.file("more/picture.png", 30'000);
    tree.file("more/notes.txt", 10'000);
    tree.file("blob.zzqxw", 1'000);
    tree.file("README", 10);
    auto model = makeModel();
    KindsPane pane(*model);
    pane.show();
    EXPECT_EQ(pane.message().title(), "Nothing Scanned");
    EXPECT_EQ(pane.message().text(), "Space by kind of file shows here as the scan goes.");
    model->scan(tree.root().string());
    EXPECT_EQ(pane.message().title(), "Scanning…");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !model->isScanning(); }, 20000));

    auto kinds = model->kindTotals();
    ASSERT_EQ(kinds.size(), 3u);
    int64_t total = kinds[0].bytes + kinds[1].bytes + kinds[2].bytes;
    EXPECT_EQ(pane.heading(), QString::fromStdString(formatBytes(total)) + " by kind of file");
    const QTreeWidget& list = pane.tree();
    ASSERT_EQ(list.topLevelItemCount(), 3);
    std::vector<QString> shown;
    for (int at = 0; at < 3; ++at)
        shown.push_back(list.topLevelItem(at)->text(KindsPane::nameColumn));
    EXPECT_EQ(shown, (std::vector<QString>{"Images", "Text & Data", "Other"}));
    QTreeWidgetItem* images = list.topLevelItem(0);
    ASSERT_EQ(images->childCount(), 2);
    EXPECT_EQ(images->child(0)->text(KindsPane::nameColumn), ".jpg");
    ASSERT_EQ(list.topLevelItem(2)->childCount(), 2) << "unknown extensions and none are Other";
    EXPECT_EQ(list.topLevelItem(2)->child(0)->text(KindsPane::nameColumn), "(none)");
    EXPECT_EQ(images->child(0)->text(KindsPane::filesColumn), "1 file");
    EXPECT_EQ(images->text(KindsPane::bytesColumn),
              QString::fromStdString(formatBytes(kinds[0].bytes)));
    EXPECT_NEAR(images->data(KindsPane::shareColumn, KindsPane::fractionRole).toDouble(),
                static_cast<double>(kinds[0].bytes) / static_cast<double>(total), 1e-9);

    images->setExpanded(true);
    model->treeChanged();
    EXPECT_TRUE(list.topLevelItem(0)->isExpanded()) << "a refresh keeps what was expanded";
}
