#include "window/ItemTable.h"

#include "app/ModelFixture.h"
#include "history/Store.h"
#include "util/Format.h"
#include "window/ChangeCell.h"
#include "window/ItemTableModel.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

using namespace tavelin;

namespace {

class ItemTableTest : public test::ModelFixture {
protected:
    // A shown table over a fresh model, both kept by the fixture as `model` and `table_`.
    ItemTable& shownTable() {
        model = makeModel();
        table_ = std::make_unique<ItemTable>(*model);
        table_->resize(900, 400);
        table_->show();
        return *table_;
    }

    // A folder of `count` files, largest first ("f000" is the largest), shown without a scan.
    Node::Ptr showFolder(AppModel& model, int count) {
        Node::Ptr root = Node::makeRoot("root", (data.path() / "root").string());
        for (int i = 0; i < count; ++i)
            file(root, QStringLiteral("f%1").arg(i, 3, 10, QLatin1Char('0')).toStdString(),
                 (count - i) * 2'000'000);
        model.open(root);
        return root;
    }

    static void clickHeader(ItemTable& table, int column) {
        QHeaderView* header = table.header();
        QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                  header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    }

    static QPoint rowCenter(ItemTable& table, int row) {
        return table.visualRect(table.items().index(row, 0)).center();
    }

    static std::vector<std::string> names(const ItemTable& table) {
        std::vector<std::string> result;
        for (const auto& node : table.items().nodes())
            result.push_back(node->name);
        return result;
    }

    static NodeSet tableSelection(ItemTable& table) {
        NodeSet result;
        for (const QModelIndex& index : table.selectionModel()->selectedRows())
            result.insert(table.items().nodes()[static_cast<size_t>(index.row())]);
        return result;
    }

    QString cell(const ItemTable& table, int row, int column, int role = Qt::DisplayRole) {
        return table.items().index(row, column).data(role).toString();
    }

    std::unique_ptr<AppModel> model;
    std::unique_ptr<ItemTable> table_;
};

} // namespace

TEST_F(ItemTableTest, ShowsTheColumnsWithFiguresAndHelp) {
    tree.file("folder/data", 3'000'000);
    tree.file("single.bin", 2'000'000);
    tree.file("tiny", 100);
    auto model = makeModel();
    ItemTable table(*model);
    ASSERT_TRUE(scanned(*model, tree.root().string()));

    EXPECT_TRUE(table.header()->isSectionHidden(ItemTableModel::locationColumn))
        << "only search results say where they lie";

    ASSERT_EQ(names(table), (std::vector<std::string>{"folder", "single.bin", "1 smaller file"}));
    for (bool ascending : {true, false}) {
        model->setSortOrder({{SortKey::name, ascending}});
        EXPECT_EQ(names(table).back(), "1 smaller file") << "never among the names";
    }
    model->setSortOrder({{SortKey::size, true}});
    EXPECT_EQ(names(table).front(), "1 smaller file") << "by size like any row";
    model->setSortOrder({{SortKey::size, false}});
    Node::Ptr folder = table.items().nodes()[0];
    EXPECT_EQ(cell(table, 0, ItemTableModel::sizeColumn), formatBytes(folder->size).c_str());
    EXPECT_EQ(cell(table, 0, ItemTableModel::filesColumn), "1");
    EXPECT_FALSE(cell(table, 0, ItemTableModel::modifiedColumn).isEmpty());
    EXPECT_TRUE(cell(table, 0, ItemTableModel::changeColumn).isEmpty()) << "no previous scan";
    EXPECT_EQ(cell(table, 0, ItemTableModel::uniqueColumn, Qt::ToolTipRole),
              "Deleting frees all of it (once any local snapshot holding it expires).");
    EXPECT_EQ(cell(table, 2, ItemTableModel::nameColumn, Qt::ToolTipRole),
              "Files under 1 MB, measured together. Click for details.");
    EXPECT_TRUE(table.items().index(2, 0).data(ItemTableModel::infoRole).toBool());

    folder->unique = 1'000'000;
    folder->isUnreadable = true;
    model->treeChanged();
    EXPECT_EQ(cell(table, 0, ItemTableModel::uniqueColumn), "1 MB");
    EXPECT_EQ(cell(table, 0, ItemTableModel::uniqueColumn, Qt::ToolTipRole),
              QString::fromStdString(formatBytes(folder->size - 1'000'000)) +
                  " of it is shared with clones, so deleting frees 1 MB…");
    EXPECT_EQ(cell(table, 0, ItemTableModel::nameColumn, ItemTableModel::noteRole),
              "Couldn’t be read");

    model->setMeasure(Measure::unique);
    EXPECT_EQ(cell(table, table.items().rowOf(folder), ItemTableModel::sizeColumn), "1 MB")
        << "size follows the measure";
    folder->apparent = 3'000'000;
    model->setMeasure(Measure::apparent);
    for (int column : {ItemTableModel::sizeColumn, ItemTableModel::apparentColumn})
        EXPECT_EQ(cell(table, table.items().rowOf(folder), column), "3 MB");
    EXPECT_EQ(table.header()->sortIndicatorSection(), ItemTableModel::sizeColumn);
}

TEST(ChangeCell, ShowsOnlyChangesOfAMillionBytesOrMoreColouredBySign) {
    for (auto small : std::vector<std::optional<int64_t>>{std::nullopt, 999'999, -999'999, 0})
        EXPECT_FALSE(ChangeCell::of(small));
    auto shown = [](int64_t growth) {
        auto cell = ChangeCell::of(growth);
        return cell ? std::pair(cell->text, cell->color) : std::pair(QString(), QColor());
    };
    EXPECT_EQ(shown(1'000'000), std::pair(QStringLiteral("+1 MB"), ChangeCell::colorOf(1)));
    EXPECT_EQ(shown(-1'000'000), std::pair(QStringLiteral("\u22121 MB"), ChangeCell::colorOf(0)))
        << "no growth reads like shrinking";
    EXPECT_NE(ChangeCell::colorOf(1), ChangeCell::colorOf(0));
}

TEST_F(ItemTableTest, ChangeColumnComparesWithThePreviousScanOfTheLocation) {
    tree.file("grows/data", 12'000'000);
    tree.file("shrinks/data", 11'000'000);
    ScanRecord previous{tree.root().string(),
                        std::chrono::system_clock::now() - std::chrono::hours(2),
                        30'000'000,
                        30'000'000,
                        2,
                        {{"", 30'000'000}, {"grows", 10'000'000}, {"shrinks", 20'000'000}}};
    ASSERT_FALSE(History::Store(data.path() / "History", 20).save(previous));
    auto model = makeModel();
    ItemTable table(*model);
    ASSERT_TRUE(scanned(*model, tree.root().string()));
    ASSERT_EQ(names(table), (std::vector<std::string>{"grows", "shrinks"}));

    Node::Ptr grows = table.items().nodes()[0];
    EXPECT_EQ(cell(table, 0, ItemTableModel::changeColumn),
              "+" + QString::fromStdString(formatBytes(grows->size - 10'000'000)));
    EXPECT_EQ(table.items().index(0, ItemTableModel::changeColumn).data(Qt::ForegroundRole),
              QVariant(ChangeCell::colorOf(1)));
    EXPECT_TRUE(cell(table, 1, ItemTableModel::changeColumn).startsWith("\u2212"));
}

TEST_F(ItemTableTest, HeaderClicksSetTheModelsSortOrderAndRowsFollowIt) {
    ItemTable& table = shownTable();
    Node::Ptr root = showFolder(*model, 3);
    root->children()[0]->name = "b";
    root->children()[1]->name = "c";
    root->children()[2]->name = "a";
    model->treeChanged();
    ASSERT_EQ(names(table), (std::vector<std::string>{"b", "c", "a"}));

    clickHeader(table, ItemTableModel::nameColumn);
    EXPECT_EQ(model->sortOrder(), (std::vector<SortComparator>{{SortKey::name, true}}));
    EXPECT_EQ(names(table), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(table.header()->sortIndicatorSection(), ItemTableModel::nameColumn);
    EXPECT_EQ(table.header()->sortIndicatorOrder(), Qt::AscendingOrder);

    clickHeader(table, ItemTableModel::nameColumn);
    EXPECT_EQ(model->sortOrder(), (std::vector<SortComparator>{{SortKey::name, false}}));
    EXPECT_EQ(names(table), (std::vector<std::string>{"c", "b", "a"}));

    clickHeader(table, ItemTableModel::shareColumn);
    EXPECT_EQ(model->sortOrder(), (std::vector<SortComparator>{{SortKey::size, false}}))
        << "figures start from the largest";
    EXPECT_EQ(names(table), (std::vector<std::string>{"b", "c", "a"}));
    EXPECT_EQ(table.header()->sortIndicatorSection(), ItemTableModel::sizeColumn);

    model->setMeasure(Measure::unique);
    EXPECT_EQ(table.header()->sortIndicatorSection(), ItemTableModel::sizeColumn)
        << "in the unique measure the size column shows the unique size";
    clickHeader(table, ItemTableModel::uniqueColumn);
    EXPECT_EQ(model->sortOrder(), (std::vector<SortComparator>{{SortKey::unique, true}}));
    EXPECT_EQ(names(table), (std::vector<std::string>{"a", "c", "b"}));
}

TEST_F(ItemTableTest, RefreshesKeepSelectionAndScrollPosition) {
    auto model = makeModel();
    ItemTable table(*model);
    table.resize(600, 200);
    table.show();
    Node::Ptr root = showFolder(*model, 100);
    Node::Ptr chosen = table.items().nodes()[60];
    model->setSelection({chosen});
    table.verticalScrollBar()->setValue(table.verticalScrollBar()->maximum() / 2);
    int scrolled = table.verticalScrollBar()->value();
    ASSERT_GT(scrolled, 0);

    model->treeChanged();
    EXPECT_EQ(tableSelection(table), NodeSet{chosen}) << "same rows: data only";

    chosen->size = 500'000'000;
    chosen->adjustAncestors({});
    model->treeChanged();
    EXPECT_EQ(table.items().nodes().front(), chosen);
    EXPECT_EQ(tableSelection(table), NodeSet{chosen}) << "a new order keeps the selected node";
    EXPECT_EQ(model->selection(), NodeSet{chosen});

    file(root, "appeared", 1'500'000);
    model->treeChanged();
    EXPECT_EQ(table.items().nodes().size(), 101u);
    EXPECT_EQ(tableSelection(table), NodeSet{chosen}) << "a new row set keeps the selection";
    EXPECT_EQ(model->selection(), NodeSet{chosen});
    EXPECT_EQ(table.verticalScrollBar()->value(), scrolled);
}

TEST_F(ItemTableTest, SelectionIsTheModelsBothWaysTheMenuActsOnItAndRowsOpenAndPreview) {
    ItemTable& table = shownTable();
    Node::Ptr root = showFolder(*model, 5);
    const auto rows = table.items().nodes();
    QTest::mouseClick(table.viewport(), Qt::LeftButton, {}, rowCenter(table, 1));
    EXPECT_EQ(model->selection(), NodeSet{rows[1]});
    QTest::mouseClick(table.viewport(), Qt::LeftButton, Qt::ControlModifier, rowCenter(table, 3));
    EXPECT_EQ(model->selection(), (NodeSet{rows[1], rows[3]}));
    model->setSelection({rows[4]});
    EXPECT_EQ(tableSelection(table), NodeSet{rows[4]});
    model->setSelection({});
    EXPECT_TRUE(table.selectionModel()->selectedRows().empty());

    auto rightClickAndReveal = [&](int row) {
        revealed.clear();
        QTimer::singleShot(0, [] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            ASSERT_TRUE(menu);
            for (QAction* action : menu->actions())
                if (action->text() == "Show in File Manager")
                    action->trigger();
            menu->close();
        });
        QPoint at = rowCenter(table, row);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, table.viewport()->mapToGlobal(at));
        QApplication::sendEvent(table.viewport(), &event);
    };

    model->setSelection({rows[1], rows[2]});
    rightClickAndReveal(2);
    EXPECT_EQ(revealed, (std::vector<std::string>{rows[1]->path(), rows[2]->path()}));

    rightClickAndReveal(0);
    EXPECT_EQ(model->selection(), NodeSet{rows[0]});
    EXPECT_EQ(revealed, std::vector<std::string>{rows[0]->path()});

    // Return opens and Space previews the selected row; a double click opens a folder.
    Node::Ptr inner = folder(root, "inner");
    file(inner, "deep", 50'000'000);
    model->treeChanged();
    ASSERT_EQ(table.items().nodes()[0], inner);
    QTest::mouseClick(table.viewport(), Qt::LeftButton, {}, rowCenter(table, 1));
    QTest::keyClick(&table, Qt::Key_Space);
    ASSERT_TRUE(model->previewURL());
    EXPECT_EQ(model->previewURL()->toLocalFile().toStdString(), rows[0]->path());
    QTest::keyClick(&table, Qt::Key_Return);
    EXPECT_EQ(opened, std::vector<std::string>{rows[0]->path()});

    // A widget's double click arrives as the second click, after a first one.
    QTest::mouseClick(table.viewport(), Qt::LeftButton, {}, rowCenter(table, 0));
    QTest::mouseDClick(table.viewport(), Qt::LeftButton, {}, rowCenter(table, 0));
    EXPECT_EQ(model->current(), inner);
    EXPECT_EQ(names(table), std::vector<std::string>{"deep"});
}

TEST_F(ItemTableTest, SearchResultsSayWhereTheyLieAndCommandsActOnThem) {
    tree.file("IMG_2041.jpg", 4'000'000);
    tree.file("trips/2023/summer/IMG_2041.jpg", 3'000'000);
    tree.file("phone/IMG_2041.jpg", 2'000'000);
    ItemTable& table = shownTable();
    ASSERT_TRUE(scanned(*model, tree.root().string()));
    model->setSearchText(QStringLiteral("img_2041"));
    ASSERT_EQ(table.items().rowCount(), 3);
    EXPECT_FALSE(table.header()->isSectionHidden(ItemTableModel::locationColumn));
    EXPECT_EQ(table.header()->visualIndex(ItemTableModel::locationColumn), 1) << "after the name";
    QStringList locations;
    for (int row = 0; row < 3; ++row)
        locations << cell(table, row, ItemTableModel::locationColumn);
    EXPECT_EQ(locations, (QStringList{"tree", "trips/2023/summer", "phone"}));

    // The deep hits lie neither in the open folder nor in its tiles.
    QTest::mouseClick(table.viewport(), Qt::LeftButton, {}, rowCenter(table, 1));
    QTest::mouseClick(table.viewport(), Qt::LeftButton, Qt::ControlModifier, rowCenter(table, 2));
    std::vector<Node::Ptr> deep{table.items().nodes()[1], table.items().nodes()[2]};
    EXPECT_EQ(model->selectedNodes(), deep);
    model->reveal(model->selectedNodes());
    EXPECT_EQ(revealed, (std::vector<std::string>{deep[0]->path(), deep[1]->path()}));
    QTest::keyClick(&table, Qt::Key_Space);
    ASSERT_TRUE(model->previewURL());
    EXPECT_EQ(model->previewURL()->toLocalFile().toStdString(), deep[0]->path());

    clickHeader(table, ItemTableModel::locationColumn);
    EXPECT_EQ(names(table).size(), 3u);
    EXPECT_EQ(table.items().nodes()[0], deep[1]) << "“phone” sorts first";
    model->setSearchText({});
    EXPECT_TRUE(table.header()->isSectionHidden(ItemTableModel::locationColumn));
}
