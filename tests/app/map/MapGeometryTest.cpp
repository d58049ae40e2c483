// The map's pure rules: label placement, hit-testing, arrow-key neighbours, fill colours,
// label visibility and the zoom spring.

#include "map/MapGeometry.h"

#include "app/map/MapTiles.h"
#include "map/HoverLabel.h"
#include "map/TileLabels.h"
#include "map/TreemapRenderer.h"
#include "map/ZoomFromRect.h"

#include <QImage>
#include <gtest/gtest.h>

using namespace tavelin;
using MapGeometry::Direction;
using test::fileNode;
using test::folderNode;
using test::sameColor;
using test::tile;

TEST(HoverLabel, SitsBelowRightOfThePointerInsideTheMapAndNamesTheSizeInTheMeasure) {
    HoverLabel free{QStringLiteral("Movies · 2 GB"), QPointF(100, 40), QSizeF(800, 600)};
    EXPECT_EQ(free.center(), QPointF(100 + 14 + (13 * 7 + 16) / 2.0, 70));

    HoverLabel right{QStringLiteral("Movies · 2 GB"), QPointF(780, 40), QSizeF(800, 600)};
    EXPECT_DOUBLE_EQ(right.frame().right(), 796);

    HoverLabel wide{QString(200, QLatin1Char('x')), QPointF(0, 40), QSizeF(300, 600)};
    EXPECT_DOUBLE_EQ(wide.width(), 292) << "never wider than the map less 8";
    EXPECT_DOUBLE_EQ(wide.frame().left(), 4);

    HoverLabel bottom{QStringLiteral("a"), QPointF(10, 560), QSizeF(800, 600)};
    EXPECT_DOUBLE_EQ(bottom.center().y(), 542) << "18 points above the pointer";
    HoverLabel boundary{QStringLiteral("a"), QPointF(10, 558), QSizeF(800, 600)};
    EXPECT_DOUBLE_EQ(boundary.center().y(), 588) << "exactly at height - 12 stays below";

    auto node = fileNode("Movie.mov");
    node->size = 2'000'000'000;
    node->unique = 1'500'000'000;
    EXPECT_EQ(HoverLabel::textFor(*node, Measure::allocated), QStringLiteral("Movie.mov · 2 GB"));
    EXPECT_EQ(HoverLabel::textFor(*node, Measure::unique), QStringLiteral("Movie.mov · 1.5 GB"));
}

TEST(MapGeometry, TileAtFindsTheTopmostTileChildBeforeParent) {
    std::vector<TreemapTile> tiles{tile(folderNode("parent"), {0, 0, 100, 100}),
                                   tile(fileNode("child"), {3, 20, 50, 50}, 1),
                                   tile(fileNode("beside"), {100, 0, 50, 100})};
    // A shared edge belongs to the right.
    EXPECT_EQ(
        (std::vector{MapGeometry::tileAt(tiles, {10, 30}), MapGeometry::tileAt(tiles, {10, 10}),
                     MapGeometry::tileAt(tiles, {100, 10}), MapGeometry::tileAt(tiles, {151, 10})}),
        (std::vector<std::optional<int>>{1, 0, 2, std::nullopt}));
}

TEST(MapGeometry, ArrowKeysMoveToTheNearestTopLevelTileOnThatSide) {
    // a | b over c | d, with a nested child and the other tile that arrows never pick.
    std::vector<TreemapTile> tiles{
        tile(folderNode("a"), {0, 0, 100, 50}), tile(fileNode("a1"), {3, 20, 40, 20}, 1),
        tile(fileNode("b"), {100, 0, 100, 50}), tile(fileNode("c"), {0, 50, 120, 50}),
        tile(fileNode("d"), {120, 50, 60, 50}), tile(nullptr, {180, 50, 20, 50}),
    };
    // With nothing selected the first candidate; nothing to the right of the rightmost tile, and
    // the other tile is no candidate.
    auto from = [&](std::optional<int> selected, Direction direction) {
        return MapGeometry::neighbour(tiles, selected, direction);
    };
    EXPECT_EQ(
        (std::vector{from(std::nullopt, Direction::down), from(0, Direction::right),
                     from(0, Direction::down), from(2, Direction::down), from(4, Direction::left),
                     from(2, Direction::right), from(4, Direction::right), from(0, Direction::up)}),
        (std::vector<std::optional<int>>{0, 2, 3, 4, 3, std::nullopt, std::nullopt, std::nullopt}));
    std::vector<TreemapTile> tied{tile(fileNode("left"), {0, 25, 50, 50}),
                                  tile(fileNode("upper"), {50, 0, 50, 50}),
                                  tile(fileNode("lower"), {50, 50, 50, 50})};
    EXPECT_EQ(MapGeometry::neighbour(tied, 0, Direction::right), 1) << "a tie goes to the first";
}

// Expected colours are worked out by hand from the palette's sRGB values: orange is
// (255, 149, 0), blue (0, 122, 255), the system grey (142, 142, 147).
TEST(TreemapRenderer, FillsEachKindOfTileInItsOwnColour) {
    auto deep = tile(folderNode("deep"), {0, 0, 100, 100}, 2, 3);
    EXPECT_TRUE(sameColor(TreemapRenderer::fill(deep), QColor(255, 170, 51)))
        << "a depth-2 folder of colour 3 is orange lightened by 20 % white";
    auto nested = tile(folderNode("nested"), {0, 0, 100, 100}, 1, 13);
    nested.isNested = true;
    EXPECT_TRUE(sameColor(TreemapRenderer::fill(nested), QColor(205, 130, 26)))
        << "a nested folder is darkened by 22 % black, then lightened by 10 % per level";
    EXPECT_TRUE(sameColor(TreemapRenderer::fill(tile(fileNode("f"), {0, 0, 10, 10}, 0, 10)),
                          QColor(70, 131, 198)))
        << "a file of colour 10 (blue) under a half-opaque grey of white level 0.55";
    EXPECT_TRUE(
        sameColor(TreemapRenderer::fill(tile(nullptr, {0, 0, 10, 10})), QColor(142, 142, 147, 140)))
        << "the other tile is the system grey at 55 %";

    auto root = Node::makeRoot("disk", "/", 1000);
    root->isScanning = true;
    EXPECT_TRUE(sameColor(TreemapRenderer::fill(tile(root->remainder(), {0, 0, 10, 10})),
                          QColor(133, 133, 133)));
    root->isScanning = false;
    EXPECT_TRUE(sameColor(TreemapRenderer::fill(tile(root->remainder(), {0, 0, 10, 10})),
                          QColor(112, 112, 112)));
}

TEST(TreemapRenderer, LabelsNeedMoreThan34PointsAndSizesMoreThan90AndAreDrawnOnlyThen) {
    auto narrow = tile(fileNode("f"), {0, 0, 36, 40});
    auto sixty = tile(fileNode("f"), {0, 0, 62, 40});
    auto wide = tile(fileNode("f"), {0, 0, 102, 40});
    EXPECT_FALSE(TreemapRenderer::showsLabel(narrow)) << "drawn 34 wide";
    EXPECT_TRUE(TreemapRenderer::showsLabel(sixty));
    EXPECT_FALSE(TreemapRenderer::showsSize(sixty));
    EXPECT_TRUE(TreemapRenderer::showsSize(wide));
    auto low = tile(fileNode("f"), {0, 0, 100, 14});
    EXPECT_FALSE(TreemapRenderer::showsLabel(low)) << "a strip of 12 points is too low";
    auto strip = tile(fileNode("f"), {0, 0, 100, 15});
    EXPECT_TRUE(TreemapRenderer::showsLabel(strip)) << "a strip of 13 points is enough";
    auto nested = tile(folderNode("n"), {0, 0, 100, 100}, 1);
    nested.isNested = true;
    nested.headerHeight = 17;
    EXPECT_DOUBLE_EQ(TreemapRenderer::stripHeight(nested), 17);

    auto brightPixels = [](double width) {
        QImage image(120, 42, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::black);
        TileLabels labels;
        TreemapRenderer::draw(image, {tile(fileNode("Movies"), {0, 0, width + 2, 40})}, labels);
        int bright = 0;
        for (int y = 1; y < 19; ++y)
            for (int x = 0; x < image.width(); ++x) {
                QRgb pixel = image.pixel(x, y);
                bright += std::min({qRed(pixel), qGreen(pixel), qBlue(pixel)}) > 200;
            }
        return bright;
    };
    EXPECT_EQ(brightPixels(34), 0);
    EXPECT_GT(brightPixels(60), 0);

    // Tiles drawn below one and a half points are skipped.
    EXPECT_TRUE(TreemapRenderer::drawnRect(tile(fileNode("f"), {0, 0, 3.4, 50})).isEmpty());
    EXPECT_EQ(TreemapRenderer::drawnRect(tile(fileNode("f"), {10, 10, 3.5, 50})),
              QRectF(11, 11, 1.5, 48));
}

TEST(ZoomFromRect, GrowsFromTheTileToTheWholeMapOnASpringWithoutOvershoot) {
    EXPECT_EQ(std::pair(ZoomFromRect::spring(0), ZoomFromRect::spring(1)), std::pair(0.0, 1.0));
    double previous = 0;
    for (int step = 1; step <= 100; ++step) {
        double value = ZoomFromRect::spring(step / 100.0);
        EXPECT_TRUE(value >= previous && value <= 1.0) << "at " << step;
        previous = value;
    }
    EXPECT_GT(ZoomFromRect::spring(0.5), 0.8) << "most of the way by half time";

    ZoomFromRect zoom{QRectF(0.5, 0.25, 0.5, 0.5)};
    EXPECT_EQ(std::pair(zoom.at(0), zoom.at(1)),
              std::pair(QRectF(0.5, 0.25, 0.5, 0.5), QRectF(0, 0, 1, 1)));
    QTransform start = ZoomFromRect::transform(zoom.at(0), QSizeF(800, 400));
    EXPECT_EQ(std::pair(start.map(QPointF(0, 0)), start.map(QPointF(800, 400))),
              std::pair(QPointF(400, 100), QPointF(800, 300)));
    QTransform flat = ZoomFromRect::transform(QRectF(0, 0, 0, 0), QSizeF(800, 400));
    EXPECT_DOUBLE_EQ(flat.m11(), 0.001);
}
