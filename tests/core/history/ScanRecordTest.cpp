#include "history/ScanRecord.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using tavelin::Node;
using tavelin::ScanRecord;

namespace {

Node::Ptr add(Node& parent, const std::string& name, Node::Kind kind, int64_t size) {
    auto node = Node::make(name, kind);
    node->size = size;
    node->unique = size / 2;
    parent.append(node);
    return node;
}

const tavelin::Date kFinished = tavelin::dateFromSecondsSince1970(1'700'000'000.25);

} // namespace

TEST(ScanRecord, KeepsFoldersAndFilesFromTheirFloorsAndRoundTripsThroughJsonWithNamesNotUtf8) {
    auto root = Node::makeRoot("Data", "/data");
    root->size = 900'000'000;
    root->unique = 700'000'000;
    root->fileCount = 42;
    root->apparent = 850'000'000;
    auto projects = add(*root, "projects", Node::Kind::directory, 10'000'000);
    add(*projects, "app", Node::Kind::directory, 10'000'000);
    add(*root, "video.mov", Node::Kind::file, 100'000'000);
    add(*root, "clip.mov", Node::Kind::file, 99'999'999);
    auto tiny = add(*root, "tiny", Node::Kind::directory, 9'999'999);
    add(*tiny, "inner", Node::Kind::directory, 9'999'999);
    auto odd = add(*root, "caf\xe9", Node::Kind::directory, 200'000'000);

    ScanRecord record = ScanRecord::of(*root, kFinished);
    EXPECT_EQ(std::tuple(record.root, record.date, record.size, record.unique, record.files),
              std::tuple("/data", kFinished, 900'000'000, 700'000'000, 42));
    EXPECT_EQ(record.sizes, (std::map<std::string, int64_t>{{"", 900'000'000},
                                                            {"caf\xef\xbf\xbd", 200'000'000},
                                                            {"projects", 10'000'000},
                                                            {"projects/app", 10'000'000},
                                                            {"video.mov", 100'000'000}}));

    record.excluded = {"*.iso", "/data/caf\xc3\xa9/old"};
    auto decoded = ScanRecord::decoded(record.encoded());
    ASSERT_TRUE(decoded);
    EXPECT_EQ(std::tuple(decoded->encoded(), decoded->date, decoded->apparent, decoded->excluded),
              std::tuple(record.encoded(), record.date, 850'000'000, record.excluded));
    EXPECT_EQ(decoded->sizeOf(*odd, *root), 200'000'000);
    EXPECT_DOUBLE_EQ(nlohmann::json::parse(record.encoded())["date"].get<double>(),
                     1'700'000'000.25);
}

TEST(ScanRecord, AChainThousandsDeepCostsOnlyTheLevelsRecordsKeep) {
    // What a scan makes of a chain of folders 2,000 deep with one large file at the bottom,
    // beside ordinary folders: each level is as big as the file.
    constexpr int64_t kFile = 150'000'000;
    auto chainRecord = [](int depth, int siblings) {
        auto root = Node::makeRoot("Data", "/data");
        root->size = kFile + siblings * int64_t{20'000'000};
        Node* folder = root.get();
        for (int level = 0; level < depth; ++level)
            folder = add(*folder, "level", Node::Kind::directory, kFile).get();
        add(*folder, "big.iso", Node::Kind::file, kFile);
        for (int i = 0; i < siblings; ++i)
            add(*root, "sibling" + std::to_string(i), Node::Kind::directory, 20'000'000);
        return ScanRecord::of(*root, kFinished);
    };
    ScanRecord deep = chainRecord(2'000, 0);
    ASSERT_EQ(deep.sizes.size(), 1u + ScanRecord::deepest) << "the root and the levels kept";
    std::string deepest = "level";
    for (int level = 1; level < ScanRecord::deepest; ++level)
        deepest += "/level";
    EXPECT_EQ(deep.sizes.at(deepest), kFile);
    EXPECT_EQ(deep.encoded().size(), chainRecord(ScanRecord::deepest + 1, 0).encoded().size())
        << "no deeper level costs anything";
    EXPECT_LT(deep.encoded().size(), 5'000u);
    // Folders side by side cost the same each.
    size_t one = chainRecord(2'000, 1'000).encoded().size() - deep.encoded().size();
    size_t two = chainRecord(2'000, 2'000).encoded().size() - deep.encoded().size();
    EXPECT_LT(two, 2 * one + 2'000) << "linear in the number of folders";
}

TEST(ScanRecord, SizesAreFoundByPathBelowTheRootAndGrowthIsNewOnlyWhereTheRecordKeepsTheNode) {
    auto root = Node::makeRoot("Data", "/data");
    root->size = 900'000'000;
    root->smallFileCount = 3; // its node shares the root's path but is never recorded itself
    std::vector<Node::Ptr> levels{root};
    for (int level = 0; level <= ScanRecord::deepest; ++level)
        levels.push_back(add(*levels.back(), "d", Node::Kind::directory, 800'000'000));
    ScanRecord before = ScanRecord::of(*root, kFinished);
    auto fresh = add(*root, "fresh", Node::Kind::directory, 30'000'000);
    auto small = add(*root, "small", Node::Kind::directory, 9'000'000);
    auto movie = add(*levels[3], "movie.mkv", Node::Kind::file, 100'000'000);
    levels[2]->size += 50'000'000;

    EXPECT_EQ(before.growthOf(*levels[2], *root), 50'000'000);
    EXPECT_EQ(before.growthOf(*fresh, *root), 30'000'000) << "new in a recorded folder";
    EXPECT_EQ(before.growthOf(*movie, *root), 100'000'000);
    EXPECT_EQ(before.growthOf(*small, *root), std::nullopt) << "below the floor";
    EXPECT_EQ(before.growthOf(*levels[ScanRecord::deepest], *root), 0);
    EXPECT_EQ(before.growthOf(*levels[ScanRecord::deepest + 1], *root), std::nullopt)
        << "deeper than records keep: not new, only not recorded";
    EXPECT_EQ(before.growthOf(*root->items().back(), *root), std::nullopt);

    EXPECT_EQ(ScanRecord::relativePath(*levels[2], *root), "d/d");
    EXPECT_EQ(std::tuple(before.sizeOf(*root, *root), before.sizeOf(*levels[2], *root),
                         before.sizeOf(*root->items().back(), *root)),
              std::tuple(900'000'000, 800'000'000, std::nullopt));
    auto disk = Node::makeRoot("Computer", "/");
    auto user = add(*add(*disk, "home", Node::Kind::directory, 1), "ann", Node::Kind::directory, 1);
    EXPECT_EQ(ScanRecord::relativePath(*user, *disk), "home/ann");
    EXPECT_EQ(ScanRecord::relativePath(*user, *Node::makeRoot("Home", "/ho")), "/home/ann");
}

TEST(ScanRecord, DecodingNeedsAllSixKeysWithTheirTypes) {
    const nlohmann::json valid = {{"root", "/data"}, {"date", 1.5}, {"size", 10},
                                  {"unique", 5},     {"files", 2},  {"sizes", {{"", 10}}}};
    ASSERT_TRUE(ScanRecord::decoded(valid.dump()));
    EXPECT_EQ(ScanRecord::decoded(valid.dump())->apparent, std::nullopt)
        << "a record written before the apparent size was kept does not know it";
    for (const auto& entry : valid.items()) {
        nlohmann::json missing = valid;
        missing.erase(entry.key());
        EXPECT_FALSE(ScanRecord::decoded(missing.dump())) << "without " << entry.key();
    }
    for (auto [key, value] : std::vector<std::pair<std::string, nlohmann::json>>{
             {"root", 5},
             {"date", "yesterday"},
             {"date", 1e300},
             {"size", 1.5},
             {"size", "10"},
             {"files", 18'446'744'073'709'551'615ull},
             {"sizes", nlohmann::json::array()},
             {"sizes", {{"a", "big"}}},
             {"apparent", "big"},
             {"excluded", "node_modules"},
             {"excluded", {1}}}) {
        nlohmann::json wrong = valid;
        wrong[key] = value;
        EXPECT_FALSE(ScanRecord::decoded(wrong.dump())) << key << " = " << value.dump();
    }
    EXPECT_FALSE(ScanRecord::decoded("{\"root\": "));
    EXPECT_FALSE(ScanRecord::decoded("[]"));
}
