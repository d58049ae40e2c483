#include "watch/DiskWatch.h"

#include "app/watch/FakeNotificationServer.h"
#include "app/watch/PrivateBus.h"
#include "freespace/AlertState.h"
#include "freespace/FreeSpaceHistory.h"
#include "support/TemporaryFolder.h"
#include "watch/Notifications.h"
#include "widgets/SettingsKeys.h"

#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <fstream>
#include <gtest/gtest.h>

using namespace tavelin;
namespace fs = std::filesystem;

namespace {

constexpr int64_t kGB = 1'000'000'000;

class DiskWatchTest : public ::testing::Test {
protected:
    void SetUp() override { QSettings().clear(); }

    DiskWatch::Environment environment() {
        return {[this] { return volumes; }, [this] { return now; }, folder.path(), false};
    }

    void advance(std::chrono::seconds seconds) { now += seconds; }

    test::TemporaryFolder folder;
    Date now = dateFromSecondsSince1970(1'700'000'000);
    std::vector<platform::Volume> volumes{
        {"/", "Computer", "/", 100 * kGB, 9 * kGB, true, false},
        {"/media/image", "Image", "/media/image", 2 * kGB, 0, false, true},
    };
};

Notifications::Setup detached() {
    return {};
}

} // namespace

TEST_F(DiskWatchTest, RecordsTheStartupDiskEveryFiveMinutesWithoutWarningOutsideTheProgram) {
    Notifications notifications(detached());
    DiskWatch watch(environment(), notifications);
    ASSERT_EQ(watch.volumes().size(), 1u) << "the read-only image is left out";
    EXPECT_EQ(watch.boot()->name, "Computer");
    EXPECT_TRUE(watch.samples().empty()) << "the first reading comes with the first tick";

    watch.refresh();
    advance(std::chrono::seconds(60));
    watch.refresh();
    advance(std::chrono::seconds(240));
    volumes[0].free = 8 * kGB;
    watch.refresh();
    EXPECT_EQ(watch.samples(), (std::vector<FreeSpaceSample>{
                                   {dateFromSecondsSince1970(1'700'000'000), 9 * kGB, 100 * kGB},
                                   {now, 8 * kGB, 100 * kGB}}));
    EXPECT_EQ(watch.boot()->free, 8 * kGB);
    EXPECT_TRUE(fs::exists(folder.path() / FreeSpaceHistory::fileName));
    EXPECT_FALSE(fs::exists(folder.path() / AlertState::fileName));
}

TEST_F(DiskWatchTest, TheFirstTickShowsEarlierSamplesEvenWhenItKeepsNoNewOne) {
    std::ofstream(folder.path() / FreeSpaceHistory::fileName)
        << R"({"v": 1, "s": [[1699999880, 10000000000, 100000000000]]})";
    Notifications notifications(detached());
    DiskWatch watch(environment(), notifications);
    QSignalSpy changed(&watch, &DiskWatch::samplesChanged);
    watch.refresh();
    EXPECT_EQ(watch.samples().size(), 1u) << "two minutes after the stored one";
    EXPECT_EQ(changed.count(), 1);
    advance(std::chrono::seconds(60));
    watch.refresh();
    EXPECT_EQ(changed.count(), 1);
}

TEST_F(DiskWatchTest, NothingIsRecordedWithoutAStartupDiskOrInTheDemonstration) {
    Notifications notifications(detached());
    auto demonstration = environment();
    demonstration.isDemonstration = true;
    DiskWatch shown(demonstration, notifications);
    shown.refresh();
    EXPECT_TRUE(shown.samples().empty());

    volumes[0].isBoot = false;
    DiskWatch watch(environment(), notifications);
    watch.refresh();
    EXPECT_EQ(watch.boot(), nullptr);
    EXPECT_TRUE(watch.samples().empty());
    EXPECT_FALSE(fs::exists(folder.path() / FreeSpaceHistory::fileName));
}

TEST_F(DiskWatchTest, WarnsOnceThroughTheNotificationServiceAndKeepsTheState) {
    test::PrivateBus bus;
    if (!bus.failure().isEmpty())
        GTEST_SKIP() << bus.failure().toStdString();
    test::FakeNotificationServer server(bus.connect());
    ASSERT_TRUE(server.registered);
    Notifications::Setup setup;
    setup.bus = bus.connect();
    setup.inBundle = true;
    Notifications notifications(setup);
    DiskWatch watch(environment(), notifications);

    watch.refresh();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !server.received.empty(); }, 5000));
    EXPECT_EQ(server.received[0].summary, "Only 9 GB left on Computer");
    AlertState stored = AlertState::load(folder.path());
    EXPECT_EQ(stored.lastAny, now);
    EXPECT_TRUE(stored.disarmed.contains(AlertKind::critical));

    for (int minute = 1; minute <= 30; ++minute) {
        advance(std::chrono::seconds(60));
        watch.refresh();
    }
    QTest::qWait(200);
    EXPECT_EQ(server.received.size(), 1u);
    EXPECT_EQ(watch.samples().size(), 7u);
}

TEST_F(DiskWatchTest, WithWarningsOffSamplesAreStillRecordedButNoStateIsKept) {
    Notifications::Setup inTheProgram;
    inTheProgram.inBundle = true;
    Notifications notifications(inTheProgram);
    QSettings().setValue(SettingsKeys::diskWarnings, false);
    DiskWatch watch(environment(), notifications);
    for (int tick = 0; tick < 6; ++tick) {
        watch.refresh();
        advance(std::chrono::seconds(60));
    }
    EXPECT_EQ(watch.samples().size(), 2u);
    EXPECT_FALSE(fs::exists(folder.path() / AlertState::fileName));
    QSettings().setValue(SettingsKeys::diskWarnings, true);
    watch.refresh();
    EXPECT_TRUE(fs::exists(folder.path() / AlertState::fileName)) << "the warning is decided";
}
