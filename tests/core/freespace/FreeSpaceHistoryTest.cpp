#include "freespace/FreeSpaceHistory.h"

#include "core/freespace/SampleSeries.h"
#include "support/TemporaryFolder.h"
#include "support/TextFiles.h"

#include <gtest/gtest.h>

using namespace tavelin;
using test::kNow;
using test::readText;
using test::writeText;
namespace fs = std::filesystem;

namespace {

using std::chrono::seconds;

constexpr int64_t kTotal = 500'000'000'000;

class FreeSpaceHistoryTest : public ::testing::Test {
protected:
    FreeSpaceHistory history(const fs::path& directory) {
        return FreeSpaceHistory(directory, FreeSpaceHistory::defaultInterval,
                                FreeSpaceHistory::defaultRetention);
    }
    FreeSpaceHistory history() { return history(temp.path()); }
    // A history read from a file holding `text`.
    FreeSpaceHistory historyOf(const std::string& text) {
        writeText(temp.path() / FreeSpaceHistory::fileName, text);
        return history();
    }
    std::string broken() { return readText(temp.path() / "FreeSpace.json.broken"); }

    test::TemporaryFolder temp;
};

std::vector<Date> datesOf(const FreeSpaceHistory& history) {
    std::vector<Date> dates;
    for (const auto& sample : history.samples())
        dates.push_back(sample.date);
    return dates;
}

} // namespace

TEST_F(FreeSpaceHistoryTest, KeepsOneSensibleSampleEveryFiveMinutesAtMost) {
    auto recorded = history();
    EXPECT_FALSE(recorded.record(100, 0, kNow)) << "a disk with total 0";
    EXPECT_FALSE(recorded.record(-1, kTotal, kNow));
    EXPECT_FALSE(fs::exists(recorded.file()));
    EXPECT_TRUE(recorded.record(100, kTotal, kNow));
    EXPECT_FALSE(recorded.record(99, kTotal, kNow + seconds(299)));
    EXPECT_TRUE(recorded.record(0, kTotal, kNow + seconds(300))) << "a full disk";
    EXPECT_EQ(datesOf(recorded), (std::vector<Date>{kNow, kNow + seconds(300)}));
    EXPECT_EQ(recorded.samples().back().free, 0);
}

TEST_F(FreeSpaceHistoryTest, AClockMovedBackDropsTheSamplesNowInTheFutureAndTwoWeeksOldOnesGo) {
    auto recorded = history();
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(recorded.record(100 + i, kTotal, kNow + seconds(300 * i)));
    EXPECT_TRUE(recorded.record(7, kTotal, kNow + seconds(300)));
    EXPECT_EQ(datesOf(recorded), (std::vector<Date>{kNow, kNow + seconds(300)}));
    EXPECT_EQ(recorded.samples().back().free, 7);
    EXPECT_TRUE(recorded.record(8, kTotal, kNow - seconds(1)));
    EXPECT_EQ(datesOf(recorded), (std::vector<Date>{kNow - seconds(1)}));

    // Two weeks on, the reading before goes and one exactly two weeks old stays.
    Date kept = kNow + seconds(299);
    Date later = kept + FreeSpaceHistory::defaultRetention;
    ASSERT_TRUE(recorded.record(9, kTotal, kept));
    ASSERT_TRUE(recorded.record(10, kTotal, later));
    EXPECT_EQ(datesOf(recorded), (std::vector<Date>{kept, later}));
}

TEST_F(FreeSpaceHistoryTest, StoresWholeSecondsAndReadsThemBackOrKeepsThemInMemory) {
    Date first = dateFromSecondsSince1970(1'700'000'000.6);
    {
        auto recorded = history(temp.path() / "Tavelin");
        ASSERT_TRUE(recorded.record(5'000'000'000, kTotal, first));
        ASSERT_TRUE(recorded.record(4'000'000'000, kTotal, first + seconds(300)));
    }
    EXPECT_EQ(readText(temp.path() / "Tavelin" / FreeSpaceHistory::fileName),
              R"({"s":[[1700000001,5000000000,500000000000],)"
              R"([1700000301,4000000000,500000000000]],"v":1})");
    EXPECT_EQ(history(temp.path() / "Tavelin").samples(),
              (std::vector<FreeSpaceSample>{
                  {dateFromSecondsSince1970(1'700'000'001), 5'000'000'000, kTotal},
                  {dateFromSecondsSince1970(1'700'000'301), 4'000'000'000, kTotal}}));
    EXPECT_FALSE(fs::exists(temp.path() / "Tavelin" / "FreeSpace.json.broken"));

    // Where the folder cannot be made, the samples stay in memory.
    writeText(temp.path() / "Blocked", "a file where the folder should be");
    auto unsaved = history(temp.path() / "Blocked");
    EXPECT_TRUE(unsaved.record(5, 10, kNow));
    EXPECT_TRUE(unsaved.record(4, 10, kNow + seconds(300)));
    EXPECT_EQ(unsaved.samples().size(), 2u);
    EXPECT_EQ(readText(temp.path() / "Blocked"), "a file where the folder should be");
}

// Among the damaged files, one far larger than two weeks of samples, which is not read at all.
TEST_F(FreeSpaceHistoryTest, ADamagedFileIsKeptAsideAndTheHistoryRestarts) {
    std::string huge = R"({"v": 1, "s": [)";
    for (int i = 0; i < 300'000; ++i) // 5.4 MB
        huge.append("[").append(std::to_string(1'600'000'000 + i)).append(",5,10],");
    huge += "[1700000000,5,10]]}";
    for (const std::string& text : std::vector<std::string>{
             "", R"({"v": 1, "s": [[1700000000, 5, 10], [17000)", "not json at all",
             "[[1700000000, 5, 10]]", R"({"v": 1})", R"({"v": 1, "s": {"0": [1700000000, 5, 10]}})",
             R"({"v": 1, "s": [[1700000000, 5], [1700000300, 4]]})",
             R"({"v": 1, "s": [["1700000000", 5, 10]]})",
             R"({"v": 1, "s": [[1700000000, 5.5, 10]]})",
             R"({"v": 1, "s": [[1700000000, -5, 10]]})", R"({"v": 1, "s": [[1700000000, 5, 0]]})",
             R"({"v": 1, "s": [[1e300, 5, 10]]})",
             R"({"v": 1, "s": [[1700000000, 5, 99999999999999999999]]})", huge}) {
        SCOPED_TRACE(text.substr(0, 100));
        auto restarted = historyOf(text);
        EXPECT_TRUE(restarted.samples().empty());
        EXPECT_TRUE(broken() == text) << "kept aside whole";
        ASSERT_TRUE(restarted.record(5, 10, kNow));
        EXPECT_EQ(history().samples().size(), 1u);
        fs::remove(temp.path() / "FreeSpace.json.broken");
    }
}

TEST_F(FreeSpaceHistoryTest, KeepsTheGoodSamplesOfAPartlyDamagedFileInDateOrder) {
    std::string text = R"({"v": 7, "s": [[1700000600, 3, 10], "x", [1700000000, 0, 1],
                          [1700000300, 2, 10, 4], [1700000300, 2, 10]]})";
    EXPECT_EQ(historyOf(text).samples(),
              (std::vector<FreeSpaceSample>{{dateFromSecondsSince1970(1'700'000'000), 0, 1},
                                            {dateFromSecondsSince1970(1'700'000'300), 2, 10},
                                            {dateFromSecondsSince1970(1'700'000'600), 3, 10}}));
    EXPECT_EQ(broken(), text);

    // Samples far in the past or future are read, and go with the next reading.
    auto history = historyOf(
        R"({"v": 1, "s": [[-5000000000, 1, 10], [1699990000, 2, 10], [7000000000, 3, 10]]})");
    EXPECT_EQ(history.samples().size(), 3u);
    ASSERT_TRUE(history.record(4, 10, kNow));
    EXPECT_EQ(datesOf(history), (std::vector<Date>{dateFromSecondsSince1970(1'699'990'000), kNow}));
}
