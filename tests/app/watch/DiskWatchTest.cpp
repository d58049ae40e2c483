#include "watch/DiskWatch.h"

#include "app/watch/FakeNotificationServer.h"
#include "app/watch/PrivateBus.h"
#include "app/watch/WatchFixture.h"
#include "freespace/AlertState.h"
#include "freespace/FreeSpaceHistory.h"
#include "support/TextFiles.h"
#include "widgets/SettingsKeys.h"

#include <QSignalSpy>
#include <QTest>

using namespace tavelin;
using test::kGB;
namespace fs = std::filesystem;

namespace {

class DiskWatchTest : public test::WatchFixture {
protected:
    DiskWatchTest() {
        volumes = {{"/", "Computer", "/", 100 * kGB, 9 * kGB, true, false},
                   {"/media/image", "Image", "/media/image", 2 * kGB, 0, false, true}};
    }
    // Reads the disks once a minute for `minutes`.
    void tick(DiskWatch& watch, int minutes) {
        for (int minute = 0; minute < minutes; ++minute) {
            watch.refresh();
            advance(std::chrono::seconds(60));
        }
    }
};

} // namespace

TEST_F(DiskWatchTest, RecordsOnlyAStartupDiskEveryFiveMinutesWithoutWarningOutsideTheProgram) {
    // Nothing is recorded in the demonstration, or without a startup disk.
    auto demonstration = environment();
    demonstration.isDemonstration = true;
    DiskWatch shown(demonstration, detached);
    shown.refresh();
    EXPECT_TRUE(shown.samples().empty());
    volumes[0].isBoot = false;
    DiskWatch bootless(environment(), detached);
    bootless.refresh();
    EXPECT_TRUE(bootless.boot() == nullptr && bootless.samples().empty());
    EXPECT_FALSE(fs::exists(folder.path() / FreeSpaceHistory::fileName));
    volumes[0].isBoot = true;

    DiskWatch watch(environment(), detached);
    ASSERT_EQ(watch.volumes().size(), 1u) << "the read-only image is left out";
    EXPECT_EQ(watch.boot()->name, "Computer");
    EXPECT_TRUE(watch.samples().empty()) << "the first reading comes with the first tick";

    Date first = now;
    tick(watch, 5);
    volumes[0].free = 8 * kGB;
    QSignalSpy changed(&watch, &DiskWatch::volumesChanged);
    watch.refresh();
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(watch.samples(), (std::vector<FreeSpaceSample>{{first, 9 * kGB, 100 * kGB},
                                                             {now, 8 * kGB, 100 * kGB}}));
    EXPECT_EQ(watch.boot()->free, 8 * kGB);
    EXPECT_TRUE(fs::exists(folder.path() / FreeSpaceHistory::fileName));
    EXPECT_FALSE(fs::exists(folder.path() / AlertState::fileName));
}

TEST_F(DiskWatchTest, TheFirstTickShowsEarlierSamplesEvenWhenItKeepsNoNewOne) {
    test::writeText(folder.path() / FreeSpaceHistory::fileName,
                    R"({"v": 1, "s": [[1699999880, 10000000000, 100000000000]]})");
    DiskWatch watch(environment(), detached);
    QSignalSpy changed(&watch, &DiskWatch::samplesChanged);
    tick(watch, 1);
    EXPECT_EQ(watch.samples().size(), 1u) << "two minutes after the stored one";
    EXPECT_EQ(changed.count(), 1);
    tick(watch, 1);
    EXPECT_EQ(changed.count(), 1);
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

    advance(std::chrono::seconds(60));
    tick(watch, 30);
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
    tick(watch, 6);
    EXPECT_EQ(watch.samples().size(), 2u);
    EXPECT_FALSE(fs::exists(folder.path() / AlertState::fileName));
    QSettings().setValue(SettingsKeys::diskWarnings, true);
    watch.refresh();
    EXPECT_TRUE(fs::exists(folder.path() / AlertState::fileName)) << "the warning is decided";
}
