#include "support/SyntheticTree.h"
#include "treemap/Treemap.h"

#include <gtest/gtest.h>
#include <tuple>

using tavelin::Measure;
using tavelin::Node;
using tavelin::Rect;
using tavelin::TreemapTile;
using tavelin::test::SyntheticTree;
using tavelin::Treemap::layout;

namespace {

constexpr int kMaxDepth = 3;
constexpr double kMinTileArea = 30;

std::vector<TreemapTile> layoutOf(const SyntheticTree& tree, Rect in,
                                  Measure measure = Measure::allocated) {
    return layout(*tree.root(), in, measure, kMaxDepth, kMinTileArea);
}

std::vector<std::string> labels(const std::vector<TreemapTile>& tiles) {
    std::vector<std::string> result;
    for (const auto& tile : tiles)
        result.push_back(tile.label);
    return result;
}

} // namespace

TEST(TreemapLayout, NothingWorthATileGivesNoTiles) {
    SyntheticTree empty("/empty");
    empty.file("zero", 0);
    EXPECT_TRUE(layoutOf(empty, {0, 0, 500, 500}).empty());

    SyntheticTree full("/full");
    full.file("a", 1);
    EXPECT_EQ(layoutOf(full, {0, 0, 500, 500}).size(), 1u) << "a single byte is worth a tile";
    for (auto [width, height, tiles] :
         {std::tuple{1.9, 500.0, 0u}, {500.0, 1.9, 0u}, {2.0, 500.0, 1u}, {500.0, 2.0, 1u}})
        EXPECT_EQ(layoutOf(full, {0, 0, width, height}).size(), tiles) << width << " × " << height;
}

TEST(TreemapLayout, AtMostTwoHundredTilesPerLevelAndTheRestInOneOtherTile) {
    SyntheticTree tree("/root");
    int64_t smallestSum = 0;
    for (int i = 0; i < 500; ++i) {
        tree.file("f" + std::to_string(i), 1000 + i);
        if (i < 300)
            smallestSum += 1000 + i;
    }
    auto tiles = layoutOf(tree, {0, 0, 1000, 1000});
    ASSERT_EQ(tiles.size(), 201u);
    for (int i = 0; i < 200; ++i) {
        EXPECT_EQ(tiles[i].label, "f" + std::to_string(499 - i));
        EXPECT_EQ(tiles[i].colorIndex, i);
    }
    const TreemapTile& other = tiles.back();
    EXPECT_EQ(other.content, TreemapTile::Content(TreemapTile::Other{300}));
    EXPECT_EQ(std::tuple(other.label, other.size, other.colorIndex, other.isNested),
              std::tuple("300 small items", smallestSum, 200, false));
}

TEST(TreemapLayout, ItemsBelowTheMinimumAreaFoldIntoTheOtherTile) {
    // In 10 × 10 points an item needs 30 % of the total to earn 30 square points.
    SyntheticTree one("/one");
    one.file("big", 6'999);
    one.file("edge", 3'000); // exactly 30 % earns its own tile
    one.file("tiny", 1);
    EXPECT_EQ(labels(layoutOf(one, {0, 0, 10, 10})),
              (std::vector<std::string>{"big", "edge", "1 small item"}));

    SyntheticTree many("/many");
    many.file("big", 1'000'000'000);
    for (int i = 0; i < 1234; ++i)
        many.file("tiny" + std::to_string(i), 1);
    auto tiles = layoutOf(many, {0, 0, 100, 100});
    ASSERT_EQ(tiles.size(), 2u);
    EXPECT_EQ(tiles[1].label, "1,234 small items");
    EXPECT_EQ(tiles[1].size, 1234);
}

TEST(TreemapLayout, NestingNeedsATileWiderThan64AndHigherThan50) {
    SyntheticTree tree("/root");
    tree.file("docs/a", 500);
    for (auto [in, nested] : {std::pair<Rect, bool>{{0, 0, 64, 100}, false},
                              {{0, 0, 65, 100}, true},
                              {{0, 0, 100, 50}, false},
                              {{0, 0, 100, 51}, true}}) {
        auto tiles = layoutOf(tree, in);
        ASSERT_FALSE(tiles.empty());
        EXPECT_EQ(tiles[0].isNested, nested) << in.width << " × " << in.height;
        EXPECT_EQ(tiles.size(), nested ? 2u : 1u);
        EXPECT_EQ(tiles[0].headerHeight, nested ? 20 : 0);
    }
}

TEST(TreemapLayout, NestedItemsFillTheTileBelowItsHeaderAndInsideItsMargins) {
    SyntheticTree tree("/root");
    tree.file("a/b/c/x", 10);
    auto tiles = layoutOf(tree, {0, 0, 200, 100});
    ASSERT_EQ(labels(tiles), (std::vector<std::string>{"a", "b", "c"}));
    // The third level is deep enough: "c" has items but is drawn as a plain tile.
    EXPECT_EQ(std::tuple(tiles[0].rect, tiles[1].rect, tiles[2].rect),
              std::tuple(Rect{0, 0, 200, 100}, Rect{3, 20, 194, 77}, Rect{6, 37, 188, 57}));
    EXPECT_EQ(std::tuple(tiles[1].depth, tiles[1].headerHeight, tiles[2].depth, tiles[2].isNested),
              std::tuple(1, 17.0, 2, false));

    auto flat = layout(*tree.root(), {0, 0, 200, 100}, Measure::allocated, 1, kMinTileArea);
    ASSERT_EQ(flat.size(), 1u);
    EXPECT_FALSE(flat[0].isNested);
}

TEST(TreemapLayout, NestedTilesFollowTheirParentAndTakeItsColour) {
    SyntheticTree tree("/root");
    tree.file("left/i1", 600'000);
    tree.file("left/i2", 400'000);
    for (int i = 0; i < 3; ++i)
        tree.file("left/speck" + std::to_string(i), 1);
    tree.file("right", 900'000);
    tree.file("dust", 1);
    auto tiles = layoutOf(tree, {0, 0, 400, 300});
    ASSERT_EQ(labels(tiles), (std::vector<std::string>{"left", "i1", "i2", "3 small items", "right",
                                                       "1 small item"}));
    std::vector<int> colours;
    for (const auto& tile : tiles)
        colours.push_back(tile.colorIndex);
    EXPECT_EQ(colours, (std::vector<int>{0, 0, 0, 0, 1, 2}));
    EXPECT_EQ(tiles[3].depth, 1);
}

TEST(TreemapLayout, PseudoNodesGetTilesByTheMeasure) {
    SyntheticTree tree("/data");
    tree.file("clone", 3'000'000, 300'000);
    tree.file("own", 1'000'000);
    Node& root = *tree.root();
    root.expectedSize = 10'000'000;
    root.smallFileCount = 5000;
    root.smallFileSize = root.smallFileUnique = 2'000'000;
    root.size += 2'000'000;
    root.unique += 2'000'000;

    EXPECT_EQ(
        labels(layoutOf(tree, {0, 0, 800, 600})),
        (std::vector<std::string>{"Other used space", "clone", "5,000 smaller files", "own"}));
    // Freed by deleting, the ended scan's remainder counts nothing and the clone little.
    EXPECT_EQ(labels(layoutOf(tree, {0, 0, 800, 600}, Measure::unique)),
              (std::vector<std::string>{"5,000 smaller files", "own", "clone"}));

    root.isScanning = true;
    auto scanning = layoutOf(tree, {0, 0, 800, 600}, Measure::unique);
    ASSERT_FALSE(scanning.empty());
    EXPECT_EQ(scanning[0].label, "Not scanned yet");
    EXPECT_EQ(scanning[0].size, 4'000'000);
}

TEST(TreemapLayout, EqualFiguresKeepTheFolderOrder) {
    SyntheticTree tree("/root");
    tree.file("a", 900, 50);
    tree.file("b", 800, 50);
    tree.file("c", 700, 60);
    EXPECT_EQ(labels(layoutOf(tree, {0, 0, 300, 300}, Measure::unique)),
              (std::vector<std::string>{"c", "a", "b"}));
}
