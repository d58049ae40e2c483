#include "freespace/Forecast.h"

#include "core/freespace/SampleSeries.h"

#include <gtest/gtest.h>

using namespace tavelin;
using test::hoursFromNow;
using test::kNow;
using test::linearSeries;

namespace {

constexpr int64_t kGB = 1'000'000'000;

} // namespace

TEST(Forecast, MedianOfNoneOddAndEvenCountsAndAFloorOfAHundredthButAtLeastTwoGigabytes) {
    EXPECT_EQ(Forecast::median({}), 0);
    EXPECT_EQ(Forecast::median({5, 1, 3}), 3);
    EXPECT_EQ(Forecast::median({4, 1, 3, 2}), 2.5);
    EXPECT_EQ(Forecast::floor(500 * kGB), 5 * kGB);
    EXPECT_EQ(Forecast::floor(128 * kGB), 2 * kGB);
    EXPECT_EQ(Forecast::floor(200 * kGB), 2 * kGB);
    EXPECT_EQ(Forecast::floor(200 * kGB + 100), 2 * kGB + 1);
}

TEST(Forecast, SteadyLossGivesRateAndTimeUntilTheFloor) {
    // 100 MB an hour from 50 GB on a 500 GB disk: 45 GB above the 5 GB floor at the end.
    auto samples = linearSeries(-24, 0, 5, 52'400'000'000, -100'000'000, 500 * kGB);
    auto trend = Forecast::trend(samples, kNow);
    ASSERT_TRUE(trend);
    EXPECT_NEAR(trend->bytesPerDay, -2'400'000'000, 1e6);
    EXPECT_EQ(trend->floor, 5 * kGB);
    ASSERT_TRUE(trend->hoursUntilFull);
    EXPECT_NEAR(*trend->hoursUntilFull, 450, 0.5);
    EXPECT_NEAR(trend->hoursOfData, 24 - 27.5 / 60, 1e-9)
        << "the oldest hour's readings average 23 h 32.5 min ago, the newest point is now";
    auto below =
        Forecast::trend(linearSeries(-24, 0, 30, 2'300'000'000, -20'000'000, 128 * kGB), kNow);
    ASSERT_TRUE(below && below->hoursUntilFull);
    EXPECT_EQ(*below->hoursUntilFull, 0) << "already below the floor";

    // One big deletion does not swing the slope.
    auto deleted = linearSeries(-24, 0, 5, 60 * kGB, -200'000'000, 500 * kGB);
    for (auto& sample : deleted)
        if (sample.date >= hoursFromNow(-10) && sample.date < hoursFromNow(-9))
            sample.free += 80 * kGB;
    auto unswung = Forecast::trend(deleted, kNow);
    ASSERT_TRUE(unswung && unswung->hoursUntilFull);
    EXPECT_NEAR(unswung->bytesPerDay, -4'800'000'000, 0.05 * 4'800'000'000);
}

TEST(Forecast, SlowOrUnsteadyLossHasARateButNoDate) {
    auto slow = linearSeries(-24, 0, 5, 100 * kGB, -90'000'000.0 / 24, 500 * kGB);
    auto trend = Forecast::trend(slow, kNow);
    ASSERT_TRUE(trend);
    EXPECT_NEAR(trend->bytesPerDay, -90'000'000, 1e5);
    EXPECT_FALSE(trend->hoursUntilFull);

    // Falling 200 MB an hour, but every other hour sits 3 GB higher: just over a fifth of the
    // pairwise slopes point up.
    std::vector<FreeSpaceSample> zigzag;
    for (int hour = 0; hour < 24; ++hour)
        zigzag.push_back({hoursFromNow(hour - 23),
                          100 * kGB - hour * int64_t{200'000'000} + (hour % 2 == 0 ? 3 * kGB : 0),
                          500 * kGB});
    auto unsteady = Forecast::trend(zigzag, kNow);
    ASSERT_TRUE(unsteady);
    EXPECT_NEAR(unsteady->bytesPerDay, -4'800'000'000, 1e6);
    EXPECT_FALSE(unsteady->hoursUntilFull) << "a clear loss, but not a consistent one";
    // Falling 1 GB a reading but for a last one above them all: exactly four fifths point down.
    std::vector<FreeSpaceSample> fourFifths;
    for (int i = 0; i < 10; ++i)
        fourFifths.push_back(
            {hoursFromNow(-13.5 + 1.5 * i), (i < 9 ? 100 - i : 101) * kGB, 500 * kGB});
    EXPECT_TRUE(Forecast::trend(fourFifths, kNow).value_or(Trend{}).hoursUntilFull)
        << "consistent enough for a date";

    auto growing = Forecast::trend(linearSeries(-24, 0, 5, 10 * kGB, 1 * kGB, 500 * kGB), kNow);
    ASSERT_TRUE(growing);
    EXPECT_GT(growing->bytesPerDay, 0);
    EXPECT_FALSE(growing->hoursUntilFull);
}

TEST(Forecast, NeedsEnoughRecentDataAndIgnoresReadingsOutsideTheWindow) {
    int64_t total = 500 * kGB;
    EXPECT_FALSE(Forecast::trend({}, kNow));
    EXPECT_FALSE(Forecast::trend(linearSeries(-11, 0, 5, 100 * kGB, -kGB, total), kNow))
        << "11 hours";
    EXPECT_TRUE(Forecast::trend(linearSeries(-12, 0, 60, 100 * kGB, -kGB, total), kNow))
        << "exactly 12 hours";
    std::vector<FreeSpaceSample> everyOtherHour;
    for (int hour = -12; hour <= 0; hour += 2)
        everyOtherHour.push_back({hoursFromNow(hour), 100 * kGB + hour * kGB, total});
    EXPECT_FALSE(Forecast::trend(everyOtherHour, kNow)) << "7 distinct hours over 12";
    everyOtherHour.insert(everyOtherHour.end() - 1, {hoursFromNow(-1), 99 * kGB, total});
    EXPECT_TRUE(Forecast::trend(everyOtherHour, kNow)) << "8 distinct hours are enough";

    auto stale = linearSeries(-24, -4, 5, 100 * kGB, -kGB, total);
    stale.push_back({kNow - std::chrono::minutes(181), 79 * kGB, total});
    EXPECT_FALSE(Forecast::trend(stale, kNow)) << "newest reading 3 h 1 min old";
    stale.back().date = kNow - std::chrono::minutes(180);
    EXPECT_TRUE(Forecast::trend(stale, kNow)) << "newest reading exactly 3 h old";

    // Readings after now and before the window are left out.
    auto samples = linearSeries(-200, -80, 60, 400 * kGB, 5 * kGB, total);
    auto recent = linearSeries(-24, 0, 5, 100 * kGB, -100'000'000, total);
    samples.insert(samples.end(), recent.begin(), recent.end());
    samples.push_back({hoursFromNow(1), 1, total});
    auto trend = Forecast::trend(samples, kNow);
    ASSERT_TRUE(trend);
    EXPECT_NEAR(trend->bytesPerDay, -2'400'000'000, 1e6);
}

TEST(Forecast, SuddenDropWithinTwoHoursCountsFromTheLastPeak) {
    int64_t total = 1'000 * kGB;
    std::vector<FreeSpaceSample> samples{{hoursFromNow(-1.9), 90 * kGB, total},
                                         {hoursFromNow(-1.5), 100 * kGB, total},
                                         {hoursFromNow(-1.2), 100 * kGB, total},
                                         {hoursFromNow(-0.5), 85 * kGB, total},
                                         {kNow, 75 * kGB, total}};
    EXPECT_EQ(Forecast::suddenDrop(samples, kNow, Forecast::dropBytes),
              (SuddenDrop{25 * kGB, hoursFromNow(-1.2)}));
    EXPECT_TRUE(Forecast::suddenDrop(samples, kNow, 25 * kGB)) << "the threshold itself counts";
    EXPECT_FALSE(Forecast::suddenDrop(samples, kNow, 25 * kGB + 1));

    auto spread = linearSeries(-3, 0, 5, 100 * kGB, -25.0 / 3 * kGB, total);
    EXPECT_FALSE(Forecast::suddenDrop(spread, kNow, Forecast::dropBytes))
        << "the same loss over three hours";
    EXPECT_FALSE(Forecast::suddenDrop({}, kNow, Forecast::dropBytes));
}
