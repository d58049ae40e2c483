#include "treemap/Treemap.h"

#include <gtest/gtest.h>

using tavelin::Measure;
using tavelin::Node;
using tavelin::Rect;
using tavelin::TreemapTile;
using tavelin::Treemap::layout;

namespace {

constexpr int kMaxDepth = 3;
constexpr double kMinTileArea = 30;

Node::Ptr file(const std::string& name, int64_t size, int64_t unique) {
    auto node = Node::make(name, Node::Kind::file);
    node->size = size;
    node->unique = unique;
    node->fileCount = 1;
    return node;
}

Node::Ptr file(const std::string& name, int64_t size) {
    return file(name, size, size);
}

Node::Ptr folder(const std::string& name, std::vector<Node::Ptr> children) {
    auto node = Node::make(name, Node::Kind::directory);
    for (auto& child : children) {
        node->size += child->size;
        node->unique += child->unique;
        node->fileCount += child->fileCount;
        node->append(std::move(child));
    }
    node->sortChildren();
    return node;
}

std::vector<TreemapTile> layoutOf(Node& root, Rect in, Measure measure = Measure::allocated) {
    return layout(root, in, measure, kMaxDepth, kMinTileArea);
}

std::vector<std::string> labels(const std::vector<TreemapTile>& tiles) {
    std::vector<std::string> result;
    for (const auto& tile : tiles)
        result.push_back(tile.label);
    return result;
}

} // namespace

TEST(TreemapLayout, NothingWorthATileGivesNoTiles) {
    auto empty = folder("empty", {file("zero", 0)});
    EXPECT_TRUE(layoutOf(*empty, {0, 0, 500, 500}).empty());

    auto full = folder("full", {file("a", 1000)});
    EXPECT_TRUE(layoutOf(*full, {0, 0, 1.9, 500}).empty());
    EXPECT_TRUE(layoutOf(*full, {0, 0, 500, 1.9}).empty());
}

TEST(TreemapLayout, AtMostTwoHundredTilesPerLevelAndTheRestInOneOtherTile) {
    std::vector<Node::Ptr> files;
    int64_t smallestSum = 0;
    for (int i = 0; i < 500; ++i) {
        files.push_back(file("f" + std::to_string(i), 1000 + i));
        if (i < 300)
            smallestSum += 1000 + i;
    }
    auto root = folder("root", std::move(files));
    auto tiles = layoutOf(*root, {0, 0, 1000, 1000});
    ASSERT_EQ(tiles.size(), 201u);
    for (int i = 0; i < 200; ++i) {
        EXPECT_EQ(tiles[i].label, "f" + std::to_string(499 - i));
        EXPECT_EQ(tiles[i].colorIndex, i);
    }
    const TreemapTile& other = tiles.back();
    EXPECT_EQ(other.content, TreemapTile::Content(TreemapTile::Other{300}));
    EXPECT_EQ(other.node(), nullptr);
    EXPECT_EQ(other.label, "300 small items");
    EXPECT_EQ(other.size, smallestSum);
    EXPECT_EQ(other.colorIndex, 200);
    EXPECT_FALSE(other.isNested);
}

TEST(TreemapLayout, ItemsBelowTheMinimumAreaFoldIntoTheOtherTile) {
    // In 10 × 10 points an item needs 30 % of the total to earn 30 square points.
    auto one = folder("one", {file("big", 10'000), file("tiny", 1)});
    EXPECT_EQ(labels(layoutOf(*one, {0, 0, 10, 10})),
              (std::vector<std::string>{"big", "1 small item"}));

    std::vector<Node::Ptr> files{file("big", 1'000'000'000)};
    for (int i = 0; i < 1234; ++i)
        files.push_back(file("tiny" + std::to_string(i), 1));
    auto many = folder("many", std::move(files));
    auto tiles = layoutOf(*many, {0, 0, 100, 100});
    ASSERT_EQ(tiles.size(), 2u);
    EXPECT_EQ(tiles[1].label, "1,234 small items");
    EXPECT_EQ(tiles[1].size, 1234);
}

TEST(TreemapLayout, NestingNeedsATileWiderThan64AndHigherThan50) {
    struct Case {
        Rect in;
        bool nested;
    };
    for (auto [in, nested] : {Case{{0, 0, 64, 100}, false}, Case{{0, 0, 65, 100}, true},
                              Case{{0, 0, 100, 50}, false}, Case{{0, 0, 100, 51}, true}}) {
        auto root = folder("root", {folder("docs", {file("a", 500)})});
        auto tiles = layoutOf(*root, in);
        ASSERT_FALSE(tiles.empty());
        EXPECT_EQ(tiles[0].isNested, nested) << in.width << " × " << in.height;
        EXPECT_EQ(tiles.size(), nested ? 2u : 1u);
        EXPECT_EQ(tiles[0].headerHeight, nested ? 20 : 0);
    }
}

TEST(TreemapLayout, NestedItemsFillTheTileBelowItsHeaderAndInsideItsMargins) {
    auto root = folder("root", {folder("a", {folder("b", {folder("c", {file("x", 10)})})})});
    auto tiles = layoutOf(*root, {0, 0, 200, 100});
    ASSERT_EQ(labels(tiles), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(tiles[0].rect, (Rect{0, 0, 200, 100}));
    EXPECT_EQ(tiles[1].rect, (Rect{3, 20, 194, 77}));
    EXPECT_EQ(tiles[1].depth, 1);
    EXPECT_EQ(tiles[1].headerHeight, 17);
    EXPECT_EQ(tiles[2].rect, (Rect{6, 37, 188, 57}));
    // The third level is deep enough: "c" has items but is drawn as a plain tile.
    EXPECT_EQ(tiles[2].depth, 2);
    EXPECT_FALSE(tiles[2].isNested);

    auto flat = layout(*root, {0, 0, 200, 100}, Measure::allocated, 1, kMinTileArea);
    ASSERT_EQ(flat.size(), 1u);
    EXPECT_FALSE(flat[0].isNested);
}

TEST(TreemapLayout, NestedTilesFollowTheirParentAndTakeItsColour) {
    std::vector<Node::Ptr> inner{file("i1", 600'000), file("i2", 400'000)};
    for (int i = 0; i < 3; ++i)
        inner.push_back(file("speck" + std::to_string(i), 1));
    auto root =
        folder("root", {folder("left", std::move(inner)), file("right", 900'000), file("dust", 1)});
    auto tiles = layoutOf(*root, {0, 0, 400, 300});
    ASSERT_EQ(labels(tiles), (std::vector<std::string>{"left", "i1", "i2", "3 small items", "right",
                                                       "1 small item"}));
    std::vector<int> colours;
    for (const auto& tile : tiles)
        colours.push_back(tile.colorIndex);
    EXPECT_EQ(colours, (std::vector<int>{0, 0, 0, 0, 1, 2}));
    EXPECT_EQ(tiles[3].depth, 1);
}

TEST(TreemapLayout, PseudoNodesGetTilesByTheMeasure) {
    auto root = Node::makeRoot("Data", "/data", 10'000'000);
    root->append(file("clone", 3'000'000, 300'000));
    root->append(file("own", 1'000'000));
    root->smallFileCount = 5000;
    root->smallFileSize = 2'000'000;
    root->smallFileUnique = 2'000'000;
    root->size = 6'000'000;
    root->unique = 1'000'000 + 300'000 + 2'000'000;

    root->isScanning = false;
    EXPECT_EQ(
        labels(layoutOf(*root, {0, 0, 800, 600})),
        (std::vector<std::string>{"Other used space", "clone", "5,000 smaller files", "own"}));
    // Freed by deleting, the ended scan's remainder counts nothing and the clone little.
    EXPECT_EQ(labels(layoutOf(*root, {0, 0, 800, 600}, Measure::unique)),
              (std::vector<std::string>{"5,000 smaller files", "own", "clone"}));

    root->isScanning = true;
    auto scanning = layoutOf(*root, {0, 0, 800, 600}, Measure::unique);
    ASSERT_FALSE(scanning.empty());
    EXPECT_EQ(scanning[0].label, "Not scanned yet");
    EXPECT_EQ(scanning[0].size, 4'000'000);
}

TEST(TreemapLayout, EqualFiguresKeepTheFolderOrder) {
    auto root = folder("root", {file("a", 900, 50), file("b", 800, 50), file("c", 700, 60)});
    EXPECT_EQ(labels(layoutOf(*root, {0, 0, 300, 300}, Measure::unique)),
              (std::vector<std::string>{"c", "a", "b"}));
}
