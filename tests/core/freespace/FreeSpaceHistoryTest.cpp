#include "freespace/FreeSpaceHistory.h"

#include "core/freespace/SampleSeries.h"
#include "support/TemporaryFolder.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

using namespace tavelin;
using test::kNow;
using test::TemporaryFolder;
namespace fs = std::filesystem;

namespace {

using std::chrono::seconds;

constexpr int64_t kTotal = 500'000'000'000;

FreeSpaceHistory historyIn(const fs::path& directory) {
    return FreeSpaceHistory(directory, FreeSpaceHistory::defaultInterval,
                            FreeSpaceHistory::defaultRetention);
}

void writeFile(const fs::path& file, const std::string& text) {
    std::ofstream(file, std::ios::binary) << text;
}

std::string fileText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<Date> datesOf(const FreeSpaceHistory& history) {
    std::vector<Date> dates;
    for (const auto& sample : history.samples())
        dates.push_back(sample.date);
    return dates;
}

} // namespace

TEST(FreeSpaceHistory, KeepsOneSensibleSampleEveryFiveMinutesAtMost) {
    TemporaryFolder temp;
    auto history = historyIn(temp.path());
    EXPECT_FALSE(history.record(100, 0, kNow)) << "a disk with total 0";
    EXPECT_FALSE(history.record(-1, kTotal, kNow));
    EXPECT_FALSE(fs::exists(history.file()));
    EXPECT_TRUE(history.record(100, kTotal, kNow));
    EXPECT_FALSE(history.record(99, kTotal, kNow + seconds(299)));
    EXPECT_TRUE(history.record(98, kTotal, kNow + seconds(300)));
    EXPECT_EQ(datesOf(history), (std::vector<Date>{kNow, kNow + seconds(300)}));
    EXPECT_EQ(history.samples().back().free, 98);
}

TEST(FreeSpaceHistory, AClockMovedBackDropsTheSamplesNowInTheFuture) {
    TemporaryFolder temp;
    auto history = historyIn(temp.path());
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(history.record(100 + i, kTotal, kNow + seconds(300 * i)));
    EXPECT_TRUE(history.record(7, kTotal, kNow + seconds(300)));
    EXPECT_EQ(datesOf(history), (std::vector<Date>{kNow, kNow + seconds(300)}));
    EXPECT_EQ(history.samples().back().free, 7);

    EXPECT_TRUE(history.record(8, kTotal, kNow - seconds(1)));
    EXPECT_EQ(datesOf(history), (std::vector<Date>{kNow - seconds(1)}));
}

TEST(FreeSpaceHistory, ForgetsSamplesOlderThanTwoWeeks) {
    TemporaryFolder temp;
    auto history = historyIn(temp.path());
    Date start = kNow - FreeSpaceHistory::defaultRetention;
    ASSERT_TRUE(history.record(1, kTotal, start - seconds(300)));
    ASSERT_TRUE(history.record(2, kTotal, start));
    ASSERT_TRUE(history.record(3, kTotal, kNow));
    EXPECT_EQ(datesOf(history), (std::vector<Date>{start, kNow}));
}

TEST(FreeSpaceHistory, StoresWholeSecondsAndReadsThemBack) {
    TemporaryFolder temp;
    Date first = dateFromSecondsSince1970(1'700'000'000.6);
    {
        auto history = historyIn(temp.path() / "Tavelin");
        ASSERT_TRUE(history.record(5'000'000'000, kTotal, first));
        ASSERT_TRUE(history.record(4'000'000'000, kTotal, first + seconds(300)));
    }
    fs::path file = temp.path() / "Tavelin" / "FreeSpace.json";
    EXPECT_EQ(fileText(file), R"({"s":[[1700000001,5000000000,500000000000],)"
                              R"([1700000301,4000000000,500000000000]],"v":1})");
    auto reloaded = historyIn(temp.path() / "Tavelin");
    EXPECT_EQ(reloaded.samples(),
              (std::vector<FreeSpaceSample>{
                  {dateFromSecondsSince1970(1'700'000'001), 5'000'000'000, kTotal},
                  {dateFromSecondsSince1970(1'700'000'301), 4'000'000'000, kTotal}}));
    EXPECT_FALSE(fs::exists(file.string() + ".broken"));
}

TEST(FreeSpaceHistory, ADamagedFileIsKeptAsideAndTheHistoryRestarts) {
    const char* damaged[] = {
        "",
        R"({"v": 1, "s": [[1700000000, 5, 10], [17000)",
        "not json at all",
        "[[1700000000, 5, 10]]",
        R"({"v": 1})",
        R"({"v": 1, "s": {"0": [1700000000, 5, 10]}})",
        R"({"v": 1, "s": [[1700000000, 5], [1700000300, 4]]})",
        R"({"v": 1, "s": [["1700000000", 5, 10]]})",
        R"({"v": 1, "s": [[1700000000, 5.5, 10]]})",
        R"({"v": 1, "s": [[1700000000, -5, 10]]})",
        R"({"v": 1, "s": [[1700000000, 5, 0]]})",
        R"({"v": 1, "s": [[1e300, 5, 10]]})",
        R"({"v": 1, "s": [[1700000000, 5, 99999999999999999999]]})",
    };
    for (const char* text : damaged) {
        SCOPED_TRACE(text);
        TemporaryFolder temp;
        writeFile(temp.path() / "FreeSpace.json", text);
        auto history = historyIn(temp.path());
        EXPECT_TRUE(history.samples().empty());
        EXPECT_EQ(fileText(temp.path() / "FreeSpace.json.broken"), text);
        ASSERT_TRUE(history.record(5, 10, kNow));
        EXPECT_EQ(historyIn(temp.path()).samples().size(), 1u);
    }
}

TEST(FreeSpaceHistory, KeepsTheGoodSamplesOfAPartlyDamagedFileInDateOrder) {
    TemporaryFolder temp;
    std::string text = R"({"v": 7, "s": [[1700000600, 3, 10], "x", [1700000000, 1, 10],
                          [1700000300, 2, 10, 4], [1700000300, 2, 10]]})";
    writeFile(temp.path() / "FreeSpace.json", text);
    auto history = historyIn(temp.path());
    EXPECT_EQ(history.samples(),
              (std::vector<FreeSpaceSample>{{dateFromSecondsSince1970(1'700'000'000), 1, 10},
                                            {dateFromSecondsSince1970(1'700'000'300), 2, 10},
                                            {dateFromSecondsSince1970(1'700'000'600), 3, 10}}));
    EXPECT_EQ(fileText(temp.path() / "FreeSpace.json.broken"), text);
}

TEST(FreeSpaceHistory, SamplesFarInThePastOrFutureGoWithTheNextReading) {
    TemporaryFolder temp;
    writeFile(temp.path() / "FreeSpace.json",
              R"({"v": 1, "s": [[-5000000000, 1, 10], [1699990000, 2, 10], [7000000000, 3, 10]]})");
    auto history = historyIn(temp.path());
    EXPECT_EQ(history.samples().size(), 3u);
    ASSERT_TRUE(history.record(4, 10, kNow));
    EXPECT_EQ(datesOf(history), (std::vector<Date>{dateFromSecondsSince1970(1'699'990'000), kNow}));
}

TEST(FreeSpaceHistory, AFileFarLargerThanTwoWeeksOfSamplesIsNotRead) {
    TemporaryFolder temp;
    std::string text = R"({"v": 1, "s": [)";
    for (int i = 0; i < 300'000; ++i) // 5.4 MB
        text.append("[").append(std::to_string(1'600'000'000 + i)).append(",5,10],");
    text += "[1700000000,5,10]]}";
    writeFile(temp.path() / "FreeSpace.json", text);
    auto history = historyIn(temp.path());
    EXPECT_TRUE(history.samples().empty());
    EXPECT_EQ(fs::file_size(temp.path() / "FreeSpace.json.broken"), text.size());
}

TEST(FreeSpaceHistory, AnUnwritableFolderKeepsTheSamplesInMemory) {
    TemporaryFolder temp;
    writeFile(temp.path() / "Tavelin", "a file where the folder should be");
    auto history = historyIn(temp.path() / "Tavelin");
    EXPECT_TRUE(history.record(5, 10, kNow));
    EXPECT_TRUE(history.record(4, 10, kNow + seconds(300)));
    EXPECT_EQ(history.samples().size(), 2u);
    EXPECT_EQ(fileText(temp.path() / "Tavelin"), "a file where the folder should be");
}
