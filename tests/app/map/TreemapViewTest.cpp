// The map as the user drives it: real mouse and key events on an offscreen window, and the
// view rendered into an image.

#include "map/TreemapView.h"

#include "app/ModelFixture.h"
#include "app/map/MapTiles.h"
#include "items/InfoPopover.h"
#include "map/EmptyFolderView.h"

#include <QCursor>
#include <QImage>
#include <QTest>

using namespace tavelin;

namespace {

class TreemapViewTest : public test::ModelFixture {
protected:
    // Opens `root` in a fresh model and shows a map of the given size on it.
    void showMap(const Node::Ptr& root, QSize size) {
        // The cursor is global: park it away so the first move of a test is a real move.
        QCursor::setPos(-1000, -1000);
        QApplication::processEvents();
        model = makeModel();
        model->open(root);
        view = std::make_unique<TreemapView>(*model);
        view->resize(size);
        view->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    }

    // The centre of the tile showing `node`.
    QPoint centreOf(const Node::Ptr& node) {
        const TreemapTile* tile = tileOf(node.get());
        EXPECT_TRUE(tile) << "no tile for " << node->name;
        return tile ? MapGeometry::toQRectF(tile->rect).center().toPoint() : QPoint();
    }

    const TreemapTile* tileOf(const Node* node) {
        for (const auto& tile : model->tiles(view->width(), view->height()))
            if (tile.node() == node)
                return &tile;
        return nullptr;
    }

    // Three files side by side in a 300 × 100 map, a at the left.
    void showThreeTiles() {
        root = Node::makeRoot("root", "/fixture");
        a = file(root, "a", 3'000'000);
        b = file(root, "b", 3'000'000);
        c = file(root, "c", 3'000'000);
        showMap(root, QSize(300, 100));
    }

    // A nested "Movies" folder of two files beside "notes" in a 400 × 200 map; the point on
    // the folder's header.
    QPoint showMovies() {
        root = Node::makeRoot("root", "/fixture");
        movies = folder(root, "Movies");
        file(movies, "one.mov", 4'000'000);
        file(movies, "two.mov", 3'000'000);
        notes = file(root, "notes", 1'000'000);
        showMap(root, QSize(400, 200));
        const TreemapTile* tile = tileOf(movies.get());
        EXPECT_TRUE(tile && tile->isNested);
        return tile
                   ? QPoint(static_cast<int>(tile->rect.x + 10), static_cast<int>(tile->rect.y + 8))
                   : QPoint();
    }

    Node::Ptr root, a, b, c, movies, notes;
    std::unique_ptr<AppModel> model;
    std::unique_ptr<TreemapView> view;
};

} // namespace

TEST_F(TreemapViewTest, LabelShowsAfterResting600MillisecondsWhereThePointerWasThen) {
    showThreeTiles();
    ASSERT_EQ(centreOf(c), QPoint(250, 50)) << "the fixture's third tile is on the right";
    QTest::mouseMove(view.get(), QPoint(50, 50));
    QTest::qWait(400);
    QTest::mouseMove(view.get(), QPoint(150, 50));
    QTest::qWait(400);
    EXPECT_FALSE(view->labelShown()) << "entering another tile restarts the wait";
    QTest::mouseMove(view.get(), QPoint(250, 50));
    QTest::qWait(300);
    QTest::mouseMove(view.get(), QPoint(230, 40));
    EXPECT_FALSE(view->labelShown());
    EXPECT_EQ(model->hoveredTile()->node(), c.get());
    QTest::qWait(450);
    ASSERT_TRUE(view->labelShown()) << "moving within a tile does not restart the wait";
    EXPECT_EQ(view->hoverLabel()->pointer, QPointF(230, 40));
    EXPECT_EQ(view->hoverLabel()->text, QStringLiteral("c · 3 MB"));

    QTest::mouseMove(view.get(), QPoint(240, 45));
    EXPECT_EQ(view->hoverLabel()->pointer, QPointF(230, 40)) << "the label stays anchored";
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(view.get(), &leave);
    EXPECT_FALSE(view->labelShown()) << "leaving the map clears it";
    EXPECT_FALSE(model->hoverIndex());
}

TEST_F(TreemapViewTest, HoverFollowsPointerMovementOnly) {
    showThreeTiles();
    // The window appeared under a pointer that has not moved since.
    view->setAttribute(Qt::WA_UnderMouse);
    model->treeChanged();
    EXPECT_FALSE(model->hoverIndex()) << "a pointer that never moved hovers nothing";

    QTest::mouseMove(view.get(), QPoint(250, 50));
    ASSERT_EQ(model->hoveredTile()->node(), c.get());
    a->size = a->unique = 100'000'000;
    root->size += 97'000'000;
    root->sortChildren();
    model->treeChanged();
    ASSERT_NE(centreOf(c), QPoint(250, 50)) << "the tiles moved under the resting pointer";
    EXPECT_EQ(model->hoveredTile()->node(), a.get()) << "the tile now under the pointer";
}

TEST_F(TreemapViewTest, ClicksArrowsAndDoubleClicksSelectAndTheMenuActsOnTheSelectionHoldingIt) {
    showThreeTiles();
    view->setFocus();
    QTest::keyClick(view.get(), Qt::Key_Right);
    EXPECT_EQ(model->selection(), NodeSet{a}) << "with nothing selected, the first tile";
    QTest::keyClick(view.get(), Qt::Key_Right);
    EXPECT_EQ(model->selection(), NodeSet{b});

    QTest::mouseClick(view.get(), Qt::LeftButton, {}, centreOf(a));
    EXPECT_EQ(model->selection(), NodeSet{a});
    QTest::mouseClick(view.get(), Qt::LeftButton, Qt::ControlModifier, centreOf(b));
    EXPECT_EQ(model->selection(), (NodeSet{a, b}));
    QTest::mouseClick(view.get(), Qt::LeftButton, Qt::ControlModifier, centreOf(a));
    EXPECT_EQ(model->selection(), NodeSet{b}) << "a second Ctrl-click deselects";
    QTest::mouseClick(view.get(), Qt::LeftButton, {}, centreOf(c));
    EXPECT_EQ(model->selection(), NodeSet{c}) << "a plain click selects only that file";
    EXPECT_TRUE(view->hasFocus());

    model->setSelection({a, b});
    QTest::mouseMove(view.get(), centreOf(a));
    EXPECT_EQ(view->contextNodes().size(), 2u) << "the menu acts on the selection holding it";
    QTest::mouseMove(view.get(), centreOf(c));
    EXPECT_EQ(view->contextNodes(), std::vector<Node::Ptr>{c});

    // A real double click: press and release, then the double-click press and its release.
    QTest::mouseClick(view.get(), Qt::LeftButton, {}, centreOf(b));
    QTest::mouseDClick(view.get(), Qt::LeftButton, {}, centreOf(b));
    QTest::mouseRelease(view.get(), Qt::LeftButton, {}, centreOf(b));
    EXPECT_EQ(opened, std::vector<std::string>{"/fixture/b"});
    EXPECT_EQ(model->selection(), NodeSet{b});
    QTest::keyClick(view.get(), Qt::Key_Space);
    EXPECT_EQ(model->previewURL(), QUrl::fromLocalFile(QStringLiteral("/fixture/b")));
    QTest::keyClick(view.get(), Qt::Key_Space);
    EXPECT_FALSE(model->previewURL());
}

TEST_F(TreemapViewTest, ClickOnTheOtherTileClearsTheSelection) {
    root = Node::makeRoot("root", "/fixture");
    a = file(root, "a", 1'000'000'000);
    b = file(root, "b", 1'000'000'000);
    for (int i = 0; i < 300; ++i)
        file(root, "small " + std::to_string(i), 1'000'000);
    showMap(root, QSize(300, 100));
    const auto& tiles = model->tiles(300, 100);
    ASSERT_EQ(tiles.size(), 3u);
    ASSERT_EQ(tiles.back().node(), nullptr) << "the small files fold into the other tile";
    QPoint other = MapGeometry::toQRectF(tiles.back().rect).center().toPoint();

    model->setSelection({a, b});
    QTest::mouseClick(view.get(), Qt::LeftButton, Qt::ControlModifier, other);
    EXPECT_TRUE(model->selection().empty()) << "Ctrl-click on the other tile is a plain click";
    model->setSelection({a});
    QTest::mouseClick(view.get(), Qt::LeftButton, {}, other);
    EXPECT_TRUE(model->selection().empty());
}

TEST_F(TreemapViewTest, ClickingAFolderOrReturnOnItOpensItZoomingFromItsTile) {
    QPoint header = showMovies();
    const TreemapTile* tile = tileOf(movies.get());
    ASSERT_TRUE(tile);
    QRectF expected(tile->rect.x / 400, tile->rect.y / 200, tile->rect.width / 400,
                    tile->rect.height / 200);
    QTest::mouseClick(view.get(), Qt::LeftButton, {}, header);
    EXPECT_EQ(model->current(), movies);
    EXPECT_EQ(model->zoomFrom(), expected);
    EXPECT_TRUE(view->isTransitioning());
    EXPECT_EQ(view->zoomOrigin(), expected);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !view->isTransitioning(); }, 2000));

    model->back();
    EXPECT_TRUE(view->isTransitioning() && !view->zoomOrigin()) << "going back cross-fades";

    // Return opens the selected file or folder, and is left to others without a selection.
    model->setSelection({});
    view->setFocus();
    QKeyEvent unhandled(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(view.get(), &unhandled);
    EXPECT_FALSE(unhandled.isAccepted());
    model->setSelection({notes});
    QTest::keyClick(view.get(), Qt::Key_Return);
    EXPECT_EQ(opened, std::vector<std::string>{"/fixture/notes"});
    model->setSelection({movies});
    QTest::keyClick(view.get(), Qt::Key_Return);
    EXPECT_EQ(model->current(), movies);
    EXPECT_TRUE(model->zoomFrom()) << "a folder with a tile zooms from it";
}

TEST_F(TreemapViewTest, DoubleClickOnAFolderOpensItAndNoFileInIt) {
    QPoint header = showMovies();
    // Through the window system, as a user's double click arrives.
    QTest::mouseDClick(view->windowHandle(), Qt::LeftButton, {}, header);
    EXPECT_EQ(model->current(), movies) << "the first click opens the folder";
    EXPECT_TRUE(opened.empty()) << "the second lands on the folder's files, never clicked";
}

TEST_F(TreemapViewTest, ClickingSmallFilesSelectsThemAndOpensTheInfoPopover) {
    root = Node::makeRoot("root", "/fixture");
    file(root, "big", 4'000'000);
    root->smallFileCount = 40;
    root->smallFileSize = 3'000'000;
    root->smallFileUnique = 3'000'000;
    root->size += 3'000'000;
    showMap(root, QSize(300, 100));
    Node::Ptr small = root->items().at(1);
    ASSERT_EQ(small->kind(), Node::Kind::smallFiles);
    QTest::mouseClick(view.get(), Qt::LeftButton, {}, centreOf(small));
    EXPECT_EQ(model->selection(), NodeSet{small});
    ASSERT_TRUE(view->infoPopover() && view->infoPopover()->isVisible());
    EXPECT_EQ(model->infoItem(), small);
    EXPECT_EQ(view->infoPopover()->content().title, QStringLiteral("40 smaller files"));
    view->infoPopover()->close();
    EXPECT_FALSE(model->infoItem()) << "closing the popover clears the model's info item";
}

TEST_F(TreemapViewTest, EmptyFolderShowsItsState) {
    root = Node::makeRoot("root", "/fixture");
    showMap(root, QSize(300, 100));
    ASSERT_FALSE(view->emptyFolderView()->isHidden());
    EXPECT_EQ(view->emptyFolderView()->title(), QStringLiteral("Empty Folder"));
    EXPECT_EQ(view->emptyFolderView()->description(),
              QStringLiteral("Nothing here takes up space."));

    root->isScanning = true;
    root->size = 12'000;
    model->treeChanged();
    EXPECT_EQ(view->emptyFolderView()->title(), QStringLiteral("Scanning “root”…"));
    EXPECT_EQ(view->emptyFolderView()->description(), QStringLiteral("12 KB so far"));

    root->isScanning = false;
    root->isUnreadable = true;
    model->treeChanged();
    EXPECT_EQ(view->emptyFolderView()->title(), QStringLiteral("Can’t Read This Folder"));
    EXPECT_EQ(view->emptyFolderView()->description(),
              QStringLiteral("Tavelin needs permission to look inside “root”."));

    file(root, "now", 5'000'000);
    model->treeChanged();
    EXPECT_TRUE(view->emptyFolderView()->isHidden());
}

TEST_F(TreemapViewTest, RendersTileColoursFromThePalette) {
    // A folder whose nested chain reaches depth 2 beside three files.
    root = Node::makeRoot("root", "/fixture");
    for (const char* name : {"first", "second", "third"})
        file(root, name, 4'000'000'000);
    Node::Ptr deepest = folder(folder(folder(root, "fourth"), "inner"), "deepest");
    file(deepest, "payload", 1'500'000'000);
    showMap(root, QSize(800, 600));

    const TreemapTile* tile = tileOf(deepest.get());
    ASSERT_TRUE(tile && tile->depth == 2 && tile->colorIndex == 3);
    QImage image(view->size(), QImage::Format_ARGB32);
    view->render(&image);
    EXPECT_TRUE(
        test::sameColor(image.pixelColor(MapGeometry::toQRectF(tile->rect).center().toPoint()),
                        QColor(255, 170, 51), 3))
        << "a depth-2 folder of colour 3 is orange lightened by 20 % white";
}
