#include "history/History.h"

#include <gtest/gtest.h>
#include <limits>

using tavelin::Change;
using tavelin::ScanRecord;
using tavelin::History::changes;

namespace {

constexpr int64_t kMB = 1'000'000;
constexpr int64_t kFloor = 50 * kMB;
constexpr int kLimit = 60;

ScanRecord recordOf(std::map<std::string, int64_t> sizes) {
    ScanRecord record;
    record.root = "/data";
    record.sizes = std::move(sizes);
    return record;
}

std::vector<std::string> pathsOf(const std::vector<Change>& list) {
    std::vector<std::string> paths;
    for (const Change& change : list)
        paths.push_back(change.path);
    return paths;
}

using Paths = std::vector<std::string>;

} // namespace

// Which folders the list names: a child carrying 80 % of its parent's change stands for it, and
// the floor counts. Entries deeper than records keep, which records written before they had a
// depth bound may hold, are neither gone nor new.
TEST(HistoryChanges, ListsTheFoldersThatExplainAChangeNewAndGoneInFullLargestFirstAndSaturates) {
    struct Case {
        const char* why;
        std::map<std::string, int64_t> before, after;
        Paths listed;
    };
    const std::map<std::string, int64_t> ab{{"", 0}, {"a", 100 * kMB}, {"a/b", 100 * kMB}};
    std::string kept = "d";
    for (int depth = 1; depth < ScanRecord::deepest; ++depth)
        kept += "/d";
    for (const Case& c : std::vector<Case>{
             {"the child carries 92 %", ab, {{"a", 160 * kMB}, {"a/b", 155 * kMB}}, {"a/b"}},
             {"exactly 80 %", ab, {{"a", 200 * kMB}, {"a/b", 180 * kMB}}, {"a/b"}},
             {"a byte short of 80 %", ab, {{"a", 200 * kMB}, {"a/b", 180 * kMB - 1}}, {"a", "a/b"}},
             {"a chain collapses to its deepest child",
              {},
              {{"x", 90 * kMB}, {"x/y", 90 * kMB}, {"x/y/z", 90 * kMB}},
              {"x/y/z"}},
             {"a child too small, or moved the other way",
              {{"a", 100 * kMB}, {"a/b", 100 * kMB}, {"c", 300 * kMB}, {"c/d", 200 * kMB}},
              {{"a", 160 * kMB}, {"a/b", 140 * kMB}, {"c", 360 * kMB}, {"c/d", 100 * kMB}},
              {"c/d", "a", "c"}},
             {"the floor counts and the root is never listed",
              {{"", 1'000 * kMB}, {"even", 100 * kMB}, {"short", 100 * kMB}},
              {{"", 3'000 * kMB}, {"even", 150 * kMB}, {"short", 150 * kMB - 1}},
              {"even"}},
             {"deeper than records keep",
              {{kept, 100 * kMB}, {kept + "/d", 100 * kMB}},
              {{kept, 200 * kMB}},
              {kept}},
         }) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(pathsOf(changes(recordOf(c.before), recordOf(c.after), kFloor, kLimit)),
                  c.listed);
    }

    // New and gone items count in full, largest first, up to the limit.
    auto before = recordOf({{"gone", 70 * kMB}, {"grew", 100 * kMB}});
    auto after = recordOf({{"new", 60 * kMB}, {"grew", 180 * kMB}});
    auto list = changes(before, after, kFloor, kLimit);
    ASSERT_EQ(pathsOf(list), (Paths{"grew", "gone", "new"}));
    EXPECT_EQ(std::tuple(list[1].delta(), list[1].after, list[2].delta(), list[2].before),
              std::tuple(-70 * kMB, std::nullopt, 60 * kMB, std::nullopt));
    EXPECT_EQ(pathsOf(changes(before, after, kFloor, 2)), (Paths{"grew", "gone"}));
    EXPECT_TRUE(changes(before, after, kFloor, 0).empty());

    // Extreme recorded sizes saturate instead of wrapping.
    constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
    constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
    EXPECT_EQ((Change{"a", kMin, kMax}.delta()), kMax);
    EXPECT_EQ((Change{"a", kMax, kMin}.delta()), kMin);
    EXPECT_EQ((Change{"a", kMin, std::nullopt}.delta()), kMax);
    EXPECT_EQ((Change{"a", std::nullopt, kMin}.delta()), kMin);
    list = changes(recordOf({{"grew", -1}, {"shrank", kMax}}),
                   recordOf({{"grew", kMax}, {"shrank", kMin}}), kFloor, kLimit);
    ASSERT_EQ(pathsOf(list), (Paths{"shrank", "grew"}));
    EXPECT_EQ(std::pair(list[0].delta(), list[1].delta()), std::pair(kMin, kMax));
}
