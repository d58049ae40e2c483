#include "watch/FreeSpaceChart.h"

#include "app/watch/WatchFixture.h"
#include "freespace/FreeSpaceHistory.h"
#include "support/TextFiles.h"
#include "watch/ForecastCaption.h"

#include <QLineSeries>

using namespace tavelin;
using test::kGB;

namespace {

class FreeSpaceChartTest : public test::WatchFixture {
protected:
    FreeSpaceChartTest() { volumes = {{"/", "Computer", "/", 500 * kGB, 26 * kGB, true, false}}; }

    // A day of readings down to 26 GB, losing 1 GB an hour, as the watch would have stored them.
    void storeADayOfLoss() {
        std::string samples;
        for (int minutes = -24 * 60; minutes < 0; minutes += 5)
            samples += (samples.empty() ? "[" : ",[") +
                       std::to_string(1'700'000'000 + minutes * 60) + "," +
                       std::to_string(26 * kGB - minutes * kGB / 60) + ",500000000000]";
        test::writeText(folder.path() / FreeSpaceHistory::fileName,
                        R"({"v": 1, "s": [)" + samples + "]}");
    }
};

} // namespace

TEST_F(FreeSpaceChartTest, DrawsTheHistoryAndTheForecastDownToTheFloorOnceReadingsSpanHalfADay) {
    {
        DiskWatch watch(environment(), detached);
        watch.refresh();
        FreeSpaceChart chart(watch);
        EXPECT_EQ(chart.freeSeries().count(), 1);
        EXPECT_EQ(chart.forecastSeries().count(), 0);
        EXPECT_TRUE(chart.caption().startsWith("A forecast needs readings that span 12 hours"));
    }
    storeADayOfLoss();
    DiskWatch watch(environment(), detached);
    watch.refresh();
    FreeSpaceChart chart(watch);

    EXPECT_EQ(chart.freeSeries().count(), 24 * 12 + 1);
    EXPECT_EQ(chart.freeSeries().points().back(),
              QPointF(static_cast<qreal>(wholeMillisecondsSince1970(now)), 26.0));
    ASSERT_EQ(chart.forecastSeries().count(), 2);
    QPointF full = chart.forecastSeries().at(1);
    EXPECT_NEAR(full.y(), 5.0, 0.01) << "the floor of a 500 GB disk";
    EXPECT_NEAR(full.x(), wholeMillisecondsSince1970(now + std::chrono::hours(21)), 60'000)
        << "26 GB less the 5 GB floor at 1 GB an hour";
    EXPECT_EQ(chart.floorSeries().at(0).y(), 5.0);
    EXPECT_TRUE(chart.caption().startsWith("At about 24 GB a day, Computer will be full in "
                                           "about 21 hours, around "))
        << chart.caption().toStdString();
    EXPECT_EQ(chart.windowTitle(), "Free-Space History — Computer");
}

TEST(ForecastCaption, SaysWhyThereIsNoDate) {
    Date now = dateFromSecondsSince1970(1'700'000'000);
    Trend slow{-90'000'000, std::nullopt, 5 * kGB, 30};
    EXPECT_EQ(forecastCaption(slow, "Computer", now),
              "Free space is shrinking by about 90 MB a day, too slowly or unevenly to say when "
              "Computer will be full.");
    Trend growing{2 * kGB, std::nullopt, 5 * kGB, 30};
    EXPECT_EQ(forecastCaption(growing, "Data %1", now),
              "Free space on Data %1 is steady or growing.");
}
