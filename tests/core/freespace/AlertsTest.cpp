#include "freespace/Alerts.h"

#include "core/freespace/SampleSeries.h"

#include <gtest/gtest.h>

using namespace tavelin;
using test::hoursFromNow;
using test::kNow;
using test::linearSeries;

namespace {

constexpr int64_t kGB = 1'000'000'000;
constexpr int64_t kTerabyte = 1'000 * kGB;

// Readings handed to the rules one at a time, as the disk watch does, with the history growing.
class Watch {
public:
    explicit Watch(int64_t total)
        : total_(total) {}

    std::optional<AlertKind> read(double hours, int64_t free) {
        FreeSpaceSample current{hoursFromNow(hours), free, total_};
        auto alert = Alerts::evaluate(history_, current, state);
        // As the history does when the clock moves back.
        std::erase_if(history_, [&](const auto& sample) { return sample.date >= current.date; });
        history_.push_back(current);
        if (alert)
            return alert->kind;
        return std::nullopt;
    }

    AlertState state;

private:
    int64_t total_;
    std::vector<FreeSpaceSample> history_;
};

std::optional<AlertKind> once(const std::vector<FreeSpaceSample>& history, int64_t free,
                              int64_t total, AlertState& state) {
    auto alert = Alerts::evaluate(history, {kNow, free, total}, state);
    return alert ? std::optional(alert->kind) : std::nullopt;
}

} // namespace

// Readings (hours, GB free) in turn, and what each one sent: "!" critical, "." nothing.
std::string sent(Watch& disk, std::initializer_list<std::pair<double, double>> readings) {
    std::string sent;
    for (auto [hours, free] : readings)
        sent +=
            disk.read(hours, static_cast<int64_t>(free * kGB)) == AlertKind::critical ? "!" : ".";
    return sent;
}

// Critical below 5% (60 GB of 1 TB is above it), re-armed only above a quarter more (62.5 GB).
// Small disks are critical below 10 GB, re-armed at 12.5 GB, and warned at most once a day.
TEST(Alerts, CriticalBelowFivePercentOrTenGigabytesRearmedAboveAQuarterMoreOnceADay) {
    Watch large(kTerabyte);
    EXPECT_EQ(sent(large, {{0, 60}, {3, 40}, {30, 62}, {33, 40}, {36, 63}, {39, 40}}), ".!...!");
    Watch small(100 * kGB);
    EXPECT_EQ(sent(small, {{0, 9}, {7, 9}, {8, 12}}), "!..");
    EXPECT_TRUE(small.state.disarmed.contains(AlertKind::critical));
    EXPECT_EQ(sent(small, {{9, 12.5}}), ".");
    EXPECT_FALSE(small.state.disarmed.contains(AlertKind::critical));
    EXPECT_EQ(sent(small, {{10, 9}, {23.9, 9}, {24, 9}}), "..!");
}

TEST(Alerts, OnlyTheFirstOfSimultaneousKindsIsSentAndBothDisarm) {
    // 1 GB an hour lost for a day, ending at 30 GB of 1 TB: critical and full in about 20 hours.
    auto history = linearSeries(-24, -0.1, 5, 54 * kGB, -kGB, kTerabyte);
    AlertState state;
    auto alert = Alerts::evaluate(history, {kNow, 30 * kGB, kTerabyte}, state);
    ASSERT_TRUE(alert && alert->hoursUntilFull && alert->bytesPerDay);
    EXPECT_EQ(std::tuple(alert->kind, alert->free, alert->drop),
              std::tuple(AlertKind::critical, 30 * kGB, std::optional<SuddenDrop>()));
    EXPECT_EQ(state.disarmed, (std::set{AlertKind::critical, AlertKind::runningOut}));
    EXPECT_EQ(state.lastSent, (std::map<AlertKind, Date>{{AlertKind::critical, kNow}}));
    EXPECT_EQ(state.lastAny, kNow);
    EXPECT_NEAR(*alert->hoursUntilFull, 20, 0.2);
    EXPECT_NEAR(*alert->bytesPerDay, -24 * kGB, 0.1 * kGB);
}

TEST(Alerts, AnyWarningHoldsBackEveryKindForSixHours) {
    // 30 GB lost in the last hour of a 1 TB disk that has been losing 2 GB an hour.
    auto history = linearSeries(-24, -1, 5, 200 * kGB, -2 * kGB, kTerabyte);
    AlertState state;
    EXPECT_EQ(once(history, 124 * kGB, kTerabyte, state), AlertKind::suddenDrop);

    // Five hours later the disk runs out within two days: held back by the six-hour rule.
    auto later = linearSeries(-24, 4.9, 5, 200 * kGB, -4 * kGB, kTerabyte);
    auto runningOut = [&](double hours, AlertState& current) {
        auto alert = Alerts::evaluate(later, {hoursFromNow(hours), 84 * kGB, kTerabyte}, current);
        return alert ? std::optional(alert->kind) : std::nullopt;
    };
    AlertState fresh;
    ASSERT_EQ(runningOut(5, fresh), AlertKind::runningOut) << "fires without the earlier warning";
    AlertState afterDrop = state;
    EXPECT_EQ(runningOut(5, afterDrop), std::nullopt);
    EXPECT_EQ(runningOut(6, afterDrop), AlertKind::runningOut);
}

TEST(Alerts, DatesAheadOfNowNeverThrottleAndNonsensicalReadingsDecideNothing) {
    AlertState state;
    state.lastAny = hoursFromNow(24);
    state.lastSent[AlertKind::critical] = hoursFromNow(24);
    AlertState before = state;
    EXPECT_EQ(once({}, 0, 0, state), std::nullopt) << "a disk with total 0";
    EXPECT_EQ(once({}, -1, 100 * kGB, state), std::nullopt);
    EXPECT_EQ(state, before);
    EXPECT_EQ(once({}, 0, 100 * kGB, state), AlertKind::critical) << "a disk with nothing free";
    EXPECT_EQ(state.lastAny, kNow);

    // Low, where free space is shown: a tenth, capped at 50 GB.
    EXPECT_EQ(std::vector({Alerts::isLow(60 * kGB, kTerabyte), Alerts::isLow(45 * kGB, kTerabyte),
                           Alerts::isLow(24 * kGB, 256 * kGB), Alerts::isLow(26 * kGB, 256 * kGB),
                           Alerts::isLow(0, 0)}),
              std::vector({false, true, true, false, false}));
}

TEST(Alerts, NoStormWhileFreeSpaceHoversAtTheLimitsOrTheClockJumps) {
    // Two weeks of readings every five minutes swinging across every firing and holding limit,
    // with the clock set back a day halfway through.
    struct Sent {
        int week;
        double hour;
        AlertKind kind;
    };
    Watch disk(100 * kGB);
    std::vector<Sent> sent;
    double clock = -24 * 14;
    for (int minute = 0; minute < 14 * 24 * 60; minute += 5) {
        int week = minute / (7 * 24 * 60);
        if (minute == 7 * 24 * 60)
            clock -= 24;
        clock += 5.0 / 60;
        int64_t free = (minute / 5) % 7 < 3 ? 9 * kGB : 40 * kGB - (minute % 120) * kGB / 4;
        if (auto kind = disk.read(clock, free))
            sent.push_back({week, clock, *kind});
    }
    ASSERT_GE(sent.size(), 14u);
    for (size_t i = 0; i < sent.size(); ++i) {
        for (size_t j = i + 1; j < sent.size() && sent[j].week == sent[i].week; ++j) {
            double apart = sent[j].hour - sent[i].hour;
            EXPECT_GE(apart, 6) << "warnings at hours " << sent[i].hour << " and " << sent[j].hour;
            if (sent[i].kind == sent[j].kind) {
                EXPECT_GE(apart, 24)
                    << "same kind at hours " << sent[i].hour << " and " << sent[j].hour;
            }
        }
    }
}

// The critical and running-out texts with a day to go are seen whole in the notification tests.
TEST(DiskAlert, TextsOfEachKindRoundTheTimeLeftAndNeedAGigabyteFound) {
    const std::pair<double, const char*> cases[] = {
        {1.2, "an hour"}, {1.5, "2 hours"}, {5.4, "5 hours"}, {23.4, "23 hours"},
        {23.5, "a day"},  {30, "a day"},    {36, "2 days"},   {50, "2 days"}};
    for (auto [hours, text] : cases)
        EXPECT_EQ(DiskAlert::within(hours), std::string("in about ") + text) << hours;

    auto clock = [](Date date) {
        return date == hoursFromNow(-1.5) ? std::string("13:30") : std::string("?");
    };
    DiskAlert critical{AlertKind::critical, 9 * kGB, 100 * kGB, {}, {}, {}};
    EXPECT_EQ(critical.body("Computer", std::nullopt),
              "Apps can slow down or fail to save when the disk is this full. Open Tavelin to "
              "see what you can clear.");
    DiskAlert runningOut{AlertKind::runningOut, 30 * kGB, kTerabyte, {}, -2'500'000'000.0, {}};
    EXPECT_EQ(runningOut.title("Computer", clock),
              "Your computer will run out of space in about an hour");
    EXPECT_EQ(runningOut.body("Data “2”", std::string("Tavelin found 3 GB you can free.")),
              "Data “2” is filling up by about 2.5 GB a day. Open Tavelin to see what’s using "
              "it. Tavelin found 3 GB you can free.");
    DiskAlert drop = critical;
    drop.kind = AlertKind::suddenDrop;
    drop.drop = SuddenDrop{25 * kGB, hoursFromNow(-1.5)};
    EXPECT_EQ(drop.title("Computer", clock), "25 GB used since 13:30");
    EXPECT_EQ(drop.body("Computer", std::string()),
              "Something on Computer took a lot of space quickly. Open Tavelin to find out what.");

    EXPECT_EQ(DiskAlert::advisorSentence(std::nullopt), std::nullopt);
    EXPECT_EQ(DiskAlert::advisorSentence(900'000'000), std::nullopt);
    EXPECT_EQ(DiskAlert::advisorSentence(1'500'000'000),
              "Tavelin found 1.5 GB you can free without losing anything.");
}
