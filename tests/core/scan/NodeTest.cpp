#include "scan/Node.h"

#include "scan/ExtensionCounts.h"
#include "scan/ExtensionTally.h"

#include <gtest/gtest.h>

using namespace tavelin;
using Kind = Node::Kind;

namespace {

constexpr int64_t MB = 1'000'000;
constexpr int64_t GB = 1'000'000'000;

Node::Ptr folder(Node& parent, const std::string& name) {
    auto node = Node::make(name, Kind::directory);
    parent.append(node);
    return node;
}

Node::Ptr file(Node& parent, const std::string& name, int64_t size, int64_t unique) {
    auto node = Node::make(name, Kind::file);
    node->size = size;
    node->unique = unique;
    node->fileCount = 1;
    parent.append(node);
    return node;
}

std::vector<std::string> names(const std::vector<Node::Ptr>& nodes) {
    std::vector<std::string> result;
    for (const auto& node : nodes)
        result.push_back(node->name);
    return result;
}

} // namespace

TEST(NodeItems, SmallFilesShowAsOnePseudoNodeNamedByCount) {
    auto root = Node::makeRoot("Data", "/data");
    root->smallFileCount = 3;
    root->smallFileSize = 12'000;
    root->smallFileUnique = 8'000;
    auto items = root->items();
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0]->name, "3 smaller files");
    EXPECT_EQ(items[0]->kind(), Kind::smallFiles);
    EXPECT_EQ(items[0]->size, 12'000);
    EXPECT_EQ(items[0]->unique, 8'000);
    EXPECT_EQ(items[0]->path(), "/data");
    EXPECT_TRUE(root->children().empty()) << "pseudo nodes never join the children";

    root->smallFileCount = 1;
    EXPECT_EQ(root->items()[0]->name, "1 smaller file");
    root->smallFileCount = 1234;
    EXPECT_EQ(root->items()[0]->name, "1,234 smaller files");
}

TEST(NodeItems, PseudoNodesGoBeforeTheFirstStrictlySmallerChild) {
    auto root = Node::makeRoot("Data", "/data");
    file(*root, "big", 5 * MB, 5 * MB);
    file(*root, "same", 2 * MB, 2 * MB);
    file(*root, "small", 1 * MB, 1 * MB);
    root->smallFileCount = 10;
    root->smallFileSize = 2 * MB;
    EXPECT_EQ(names(root->items()),
              (std::vector<std::string>{"big", "same", "10 smaller files", "small"}));

    root->smallFileSize = 1;
    EXPECT_EQ(names(root->items()).back(), "10 smaller files");
}

TEST(NodeRemainder, UnexplainedSpaceIsNotScannedYetThenOtherUsedSpace) {
    auto root = Node::makeRoot("Disk", "/", 100 * GB);
    root->size = 40 * GB;
    root->unique = 30 * GB;
    root->apparent = 35 * GB;
    root->isScanning = true;
    auto rest = root->remainder();
    ASSERT_TRUE(rest);
    EXPECT_EQ(rest->name, "Not scanned yet");
    EXPECT_EQ(rest->size, 60 * GB);
    EXPECT_EQ(rest->unique, 60 * GB);
    EXPECT_EQ(root->displayValue(Measure::unique), 90 * GB);
    EXPECT_EQ(root->displayValue(Measure::allocated), 100 * GB);
    EXPECT_EQ(root->displayValue(Measure::apparent), 95 * GB) << "not scanned yet: may be any";

    root->isScanning = false;
    EXPECT_EQ(root->remainder(), rest) << "the pseudo node is cached";
    EXPECT_EQ(rest->name, "Other used space");
    EXPECT_EQ(rest->unique, 0);
    EXPECT_EQ(root->displayValue(Measure::unique), 30 * GB);
    EXPECT_EQ(root->displayValue(Measure::apparent), 35 * GB);

    root->size = 100 * GB;
    EXPECT_FALSE(root->remainder());
    EXPECT_EQ(root->displaySize(), 100 * GB);
    root->size = 120 * GB;
    EXPECT_EQ(root->displaySize(), 120 * GB);
    EXPECT_FALSE(Node::makeRoot("Folder", "/f")->remainder()) << "no expected size, no remainder";
}

TEST(NodePath, DescendantsMatchWholeNamesOnlyAndPathsJoinThemWithOneSlash) {
    auto root = Node::makeRoot("Data", "/Volumes/Data");
    auto a = folder(*root, "a");
    auto x = file(*a, "x", 1, 1);
    EXPECT_EQ(root->descendant("/Volumes/Data"), root.get());
    EXPECT_EQ(root->descendant("/Volumes/Data//a/"), a.get());
    EXPECT_EQ(root->descendant("/Volumes/Data/a/x"), x.get());
    EXPECT_EQ(x->path(), "/Volumes/Data/a/x");
    EXPECT_EQ(root->descendant("/Volumes/DataBackup/x"), nullptr);
    EXPECT_EQ(root->descendant("/Volumes/Data/b"), nullptr);
    EXPECT_EQ(root->descendant("/Volumes"), nullptr);

    auto top = Node::makeRoot("Disk", "/");
    auto etc = folder(*top, "etc");
    EXPECT_EQ(top->descendant("/etc"), etc.get());
    EXPECT_EQ(etc->path(), "/etc") << "one slash under the root";
    EXPECT_EQ(top->path(), "/");
}

TEST(NodeDetach, RemovesFiguresFromEveryAncestorAndKeepsSiblingOrder) {
    auto root = Node::makeRoot("Data", "/data");
    auto upper = folder(*root, "upper");
    auto other = folder(*root, "other");
    auto lower = folder(*upper, "lower");
    auto doomed = file(*lower, "doomed", 10 * MB, 4 * MB);
    file(*lower, "b", 3 * MB, 3 * MB);
    file(*lower, "a", 5 * MB, 5 * MB);
    for (Node* node : {lower.get(), upper.get(), root.get()}) {
        node->size += 18 * MB;
        node->unique += 12 * MB;
        node->fileCount += 3;
    }
    other->size = 15 * MB;
    root->size += 15 * MB;
    root->sortChildren();
    ASSERT_EQ(names(root->children()), (std::vector<std::string>{"upper", "other"}));

    doomed->detach();
    EXPECT_EQ(lower->size, 8 * MB);
    EXPECT_EQ(lower->unique, 8 * MB);
    EXPECT_EQ(lower->fileCount, 2);
    EXPECT_EQ(upper->size, 8 * MB);
    EXPECT_EQ(root->size, 23 * MB);
    EXPECT_EQ(root->fileCount, 2);
    EXPECT_EQ(names(lower->children()), (std::vector<std::string>{"b", "a"})) << "not re-sorted";
    EXPECT_EQ(names(root->children()), (std::vector<std::string>{"other", "upper"})) << "re-sorted";
    EXPECT_EQ(doomed->parent(), nullptr);
    EXPECT_FALSE(doomed->isAttached());
    doomed->detach();
    EXPECT_EQ(root->size, 23 * MB) << "detaching twice changes nothing";
}

TEST(NodeDetach, SmallFilesNodeTakesTheFolderSmallFilesAway) {
    auto root = Node::makeRoot("Data", "/data");
    auto sub = folder(*root, "sub");
    sub->smallFileCount = 4;
    sub->smallFileSize = sub->size = 4000;
    sub->smallFileUnique = sub->unique = 3000;
    sub->smallFileApparent = sub->apparent = 5000;
    sub->fileCount = 4;
    root->size = 4000;
    root->unique = 3000;
    root->apparent = 5000;
    root->fileCount = 4;
    auto small = sub->items()[0];
    EXPECT_TRUE(small->isAttached());
    EXPECT_EQ(small->value(Measure::apparent), 5000);

    small->detach();
    EXPECT_EQ(sub->smallFileCount, 0);
    EXPECT_EQ(sub->smallFileSize, 0);
    EXPECT_EQ(sub->size, 0);
    EXPECT_EQ(root->size, 0);
    EXPECT_EQ(root->unique, 0);
    EXPECT_EQ(root->fileCount, 0);
    EXPECT_EQ(sub->smallFileApparent, 0);
    EXPECT_EQ(root->apparent, 0);
    EXPECT_TRUE(sub->items().empty());
}

TEST(NodeAttachment, FollowsTheParentsUpToARoot) {
    auto root = Node::makeRoot("Data", "/data");
    auto sub = folder(*root, "sub");
    auto leaf = folder(*sub, "leaf");
    EXPECT_TRUE(leaf->isAttached());
    EXPECT_TRUE(root->isAttached());
    EXPECT_FALSE(Node::make("loose", Kind::directory)->isAttached());
    EXPECT_EQ(leaf->lineage(), (std::vector<Node*>{root.get(), sub.get(), leaf.get()}));

    root->removeChildren([](const Node&) { return true; });
    EXPECT_FALSE(leaf->isAttached());
}

TEST(NodeOwnership, NodesKeptAfterTheirParentIsGoneSeeNoParent) {
    Node::Ptr kept;
    Node::Ptr small;
    {
        auto root = Node::makeRoot("Data", "/data");
        auto sub = folder(*root, "sub");
        kept = folder(*sub, "kept");
        folder(*kept, "inside");
        root->smallFileCount = 1;
        root->smallFileSize = 10;
        small = root->items()[0];
    }
    EXPECT_EQ(kept->parent(), nullptr);
    EXPECT_EQ(small->kind(), Kind::smallFiles);
    EXPECT_EQ(small->parent(), nullptr);
    ASSERT_EQ(kept->children().size(), 1u) << "a kept node keeps its own subtree";
    EXPECT_EQ(kept->children()[0]->parent(), kept.get());
}

TEST(NodeOwnership, DeepTreesAreTornDownWithoutRecursion) {
    auto root = Node::makeRoot("Deep", "/deep");
    Node* tip = root.get();
    for (int i = 0; i < 200'000; ++i) {
        auto next = Node::make("d", Kind::directory);
        Node* raw = next.get();
        tip->append(std::move(next));
        tip = raw;
    }
    root.reset();
    SUCCEED();
}

TEST(NodeAbsorb, TakesOverMeasuredContentButKeepsItsPlace) {
    auto root = Node::makeRoot("Data", "/data");
    auto placeholder = folder(*root, "job");
    placeholder->isScanning = true;
    auto old = folder(*placeholder, "stale");
    auto scanned = Node::makeRoot("job", "/data/job");
    auto fresh = file(*scanned, "big", 2 * MB, MB);
    scanned->size = 2 * MB;
    scanned->unique = MB;
    scanned->fileCount = 1;
    scanned->isUnreadable = true;

    placeholder->absorb(*scanned);
    EXPECT_EQ(placeholder->size, 2 * MB);
    EXPECT_TRUE(placeholder->isUnreadable);
    EXPECT_FALSE(placeholder->isScanning);
    EXPECT_EQ(placeholder->parent(), root.get());
    EXPECT_FALSE(placeholder->isRoot());
    EXPECT_EQ(fresh->parent(), placeholder.get());
    EXPECT_EQ(fresh->path(), "/data/job/big");
    EXPECT_EQ(old->parent(), nullptr);
}

TEST(NodeFigures, SharedIsNeverNegative) {
    auto node = Node::make("f", Kind::file);
    node->size = 10;
    node->unique = 4;
    EXPECT_EQ(node->shared(), 6);
    node->unique = 12;
    EXPECT_EQ(node->shared(), 0);
}

TEST(ExtensionTally, KeysAreLowerCasedShortExtensions) {
    EXPECT_EQ(ExtensionTally::key("Photo.JPG"), "jpg");
    EXPECT_EQ(ExtensionTally::key("archive.tar.gz"), "gz");
    EXPECT_EQ(ExtensionTally::key(".bashrc"), "");
    EXPECT_EQ(ExtensionTally::key("README"), "");
    EXPECT_EQ(ExtensionTally::key("trailing."), "");
    EXPECT_EQ(ExtensionTally::key("x.abcdefghijkl"), "abcdefghijkl");
    EXPECT_EQ(ExtensionTally::key("x.abcdefghijklm"), "");
    EXPECT_EQ(ExtensionTally::key("x.ÉTÉ"), "été") << "6 bytes in UTF-8";
}

TEST(ExtensionCounts, FilesNamesUnderTheKeysOfTheTallyTheyAreAddedTo) {
    std::vector<std::string> names = {
        "a.JPG",          "b.jpg",           "notes",      ".bashrc",   "trailing.",
        "archive.tar.gz", "x.\xff\xfe",      "x.ÉTÉ",      "y.été",     "x.abcdefghijkl",
        "y.ABCDEFGHIJKL", "x.abcdefghijklm", "x.abcdefgh", "x.abcdefg", "z.[@`{"};
    for (int i = 0; i < 300; ++i)
        names.push_back("many." + std::to_string(i * 7919)); // makes the table grow
    ExtensionTally expected;
    ExtensionCounts counts;
    int64_t bytes = 0;
    for (const std::string& name : names) {
        ++bytes;
        expected.add(name, bytes, 2 * bytes);
        counts.add(name, bytes, 2 * bytes);
    }
    ExtensionTally tally;
    tally.add("c.jpg", 5, 5);
    expected.add("c.jpg", 5, 5);
    counts.addTo(tally);
    EXPECT_EQ(tally.entries(), expected.entries());
    EXPECT_EQ(tally.entries().at("jpg").files, 3);
    EXPECT_EQ(tally.entries().at("abcdefghijkl").files, 2);
}
