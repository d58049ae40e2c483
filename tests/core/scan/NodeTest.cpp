#include "scan/Node.h"

#include "core/scan/NodeFigures.h"
#include "scan/ExtensionCounts.h"
#include "scan/ExtensionTally.h"

#include <gtest/gtest.h>

using namespace tavelin;
using Kind = Node::Kind;
using test::figures;

namespace {

constexpr int64_t MB = 1'000'000;
constexpr int64_t GB = 1'000'000'000;

Node::Ptr folder(Node& parent, const std::string& name) {
    auto node = Node::make(name, Kind::directory);
    parent.append(node);
    return node;
}

// A file of `size` bytes, `unique` of them its own, added to the figures of every ancestor.
Node::Ptr file(Node& parent, const std::string& name, int64_t size, int64_t unique) {
    auto node = Node::make(name, Kind::file);
    node->size = size;
    node->unique = unique;
    node->fileCount = 1;
    for (Node* above = &parent; above; above = above->parent()) {
        above->size += size;
        above->unique += unique;
        above->fileCount += 1;
    }
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

TEST(NodeItems, SmallFilesShowAsOnePseudoNodeNamedByCountBeforeTheFirstStrictlySmallerChild) {
    auto root = Node::makeRoot("Data", "/data");
    root->smallFileCount = 3;
    root->smallFileSize = 12'000;
    root->smallFileUnique = 8'000;
    auto small = root->items().at(0);
    EXPECT_EQ(std::tuple(small->name, small->kind(), small->size, small->unique, small->path()),
              std::tuple("3 smaller files", Kind::smallFiles, 12'000, 8'000, "/data"));
    EXPECT_TRUE(root->children().empty()) << "pseudo nodes never join the children";
    for (auto [count, name] :
         {std::pair<int64_t, const char*>{1, "1 smaller file"}, {1234, "1,234 smaller files"}}) {
        root->smallFileCount = count;
        EXPECT_EQ(root->items()[0]->name, name);
    }

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

TEST(NodeRemainder, UnexplainedSpaceIsNotScannedYetThenOtherUsedSpaceAndPathsJoinWithOneSlash) {
    auto root = Node::makeRoot("Disk", "/", 100 * GB);
    root->size = 40 * GB;
    root->unique = 30 * GB;
    root->apparent = 35 * GB;
    root->isScanning = true;
    auto rest = root->remainder();
    ASSERT_TRUE(rest);
    auto shown = [&] {
        return std::tuple(rest->name, rest->size, rest->unique, root->displayValue(Measure::unique),
                          root->displayValue(Measure::allocated),
                          root->displayValue(Measure::apparent));
    };
    // Not scanned yet, the rest may be anything: freeable, and as long as it is large.
    EXPECT_EQ(shown(), std::tuple("Not scanned yet", 60 * GB, 60 * GB, 90 * GB, 100 * GB, 95 * GB));
    root->isScanning = false;
    EXPECT_EQ(root->remainder(), rest) << "the pseudo node is cached";
    EXPECT_EQ(shown(), std::tuple("Other used space", 60 * GB, 0, 30 * GB, 100 * GB, 35 * GB));

    EXPECT_EQ(root->shared(), 10 * GB);
    root->unique = 50 * GB;
    EXPECT_EQ(root->shared(), 0) << "shared is never negative";
    root->size = 100 * GB;
    EXPECT_FALSE(root->remainder());
    EXPECT_EQ(root->displaySize(), 100 * GB);
    root->size = 120 * GB;
    EXPECT_EQ(root->displaySize(), 120 * GB);
    EXPECT_FALSE(Node::makeRoot("Folder", "/f")->remainder()) << "no expected size, no remainder";

    // Descendants match whole names only.
    auto data = Node::makeRoot("Data", "/Volumes/Data");
    auto a = folder(*data, "a");
    auto x = file(*a, "x", 1, 1);
    const std::pair<const char*, Node*> cases[] = {
        {"/Volumes/Data", data.get()},  {"/Volumes/Data//a/", a.get()},
        {"/Volumes/Data/a/x", x.get()}, {"/Volumes/DataBackup/x", nullptr},
        {"/Volumes/Data/b", nullptr},   {"/Volumes", nullptr}};
    for (auto [path, found] : cases)
        EXPECT_EQ(data->descendant(path), found) << path;
    EXPECT_EQ(x->path(), "/Volumes/Data/a/x");

    auto top = Node::makeRoot("Disk", "/");
    auto etc = folder(*top, "etc");
    EXPECT_EQ(top->descendant("/etc"), etc.get());
    EXPECT_EQ(etc->path() + " " + top->path(), "/etc /") << "one slash under the data";
}

TEST(NodeDetach, RemovesFiguresFromEveryAncestorAndKeepsSiblingOrder) {
    auto root = Node::makeRoot("Data", "/data");
    auto upper = folder(*root, "upper");
    auto other = folder(*root, "other");
    auto lower = folder(*upper, "lower");
    auto doomed = file(*lower, "doomed", 10 * MB, 4 * MB);
    file(*lower, "b", 3 * MB, 3 * MB);
    file(*lower, "a", 5 * MB, 5 * MB);
    other->size = 15 * MB;
    root->size += 15 * MB;
    root->sortChildren();
    ASSERT_EQ(names(root->children()), (std::vector<std::string>{"upper", "other"}));

    doomed->detach();
    EXPECT_EQ(figures(*lower) + " " + figures(*upper) + " " + figures(*root),
              "8000000/8000000/2/0 8000000/8000000/2/0 23000000/8000000/2/0");
    EXPECT_EQ(names(lower->children()), (std::vector<std::string>{"b", "a"})) << "not re-sorted";
    EXPECT_EQ(names(root->children()), (std::vector<std::string>{"other", "upper"})) << "re-sorted";
    EXPECT_EQ(doomed->parent(), nullptr);
    EXPECT_FALSE(doomed->isAttached());
    doomed->detach();
    EXPECT_EQ(root->size, 23 * MB) << "detaching twice changes nothing";

    // The small-files node takes its folder's small files away.
    auto sub = folder(*root, "sub");
    sub->smallFileCount = sub->fileCount = 4;
    sub->smallFileSize = sub->size = 4000;
    sub->smallFileUnique = sub->unique = 3000;
    sub->smallFileApparent = sub->apparent = 5000;
    root->size += 4000;
    root->unique += 3000;
    root->apparent += 5000;
    root->fileCount += 4;
    auto small = sub->items()[0];
    EXPECT_TRUE(small->isAttached());
    EXPECT_EQ(small->value(Measure::apparent), 5000);
    small->detach();
    EXPECT_EQ(figures(*sub) + " " + figures(*root), "0/0/0/0 23000000/8000000/2/0");
    EXPECT_EQ(sub->smallFileCount + sub->smallFileSize + sub->smallFileApparent, 0);
    EXPECT_TRUE(sub->items().empty());
}

TEST(NodeOwnership, AttachmentFollowsParentsAndKeptNodesOutliveTheirParentsWithoutThem) {
    Node::Ptr kept;
    Node::Ptr small;
    {
        auto root = Node::makeRoot("Data", "/data");
        auto sub = folder(*root, "sub");
        auto leaf = folder(*sub, "leaf");
        EXPECT_TRUE(leaf->isAttached());
        EXPECT_TRUE(root->isAttached());
        EXPECT_FALSE(Node::make("loose", Kind::directory)->isAttached());
        EXPECT_EQ(leaf->lineage(), (std::vector<Node*>{root.get(), sub.get(), leaf.get()}));
        kept = folder(*sub, "kept");
        folder(*kept, "inside");
        root->smallFileCount = 1;
        root->smallFileSize = 10;
        small = root->items()[0];
        root->removeChildren([](const Node&) { return true; });
        EXPECT_FALSE(leaf->isAttached());
    }
    EXPECT_EQ(kept->parent(), nullptr);
    EXPECT_EQ(small->kind(), Kind::smallFiles);
    EXPECT_EQ(small->parent(), nullptr);
    ASSERT_EQ(kept->children().size(), 1u) << "a kept node keeps its own subtree";
    EXPECT_EQ(kept->children()[0]->parent(), kept.get());

    // Deep trees are torn down without recursion.
    auto deep = Node::makeRoot("Deep", "/deep");
    Node* tip = deep.get();
    for (int i = 0; i < 200'000; ++i)
        tip = folder(*tip, "d").get();
    deep.reset();
}

TEST(ExtensionTally, KeysAreLowerCasedShortExtensionsAndCountsAddUpUnderThem) {
    const std::pair<const char*, const char*> keys[] = {
        {"Photo.JPG", "jpg"},    {"archive.tar.gz", "gz"}, {".bashrc", ""},
        {"README", ""},          {"trailing.", ""},        {"x.abcdefghijkl", "abcdefghijkl"},
        {"x.abcdefghijklm", ""}, {"x.ÉTÉ", "été"}};
    for (auto [name, key] : keys)
        EXPECT_EQ(ExtensionTally::key(name), key) << name;

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
