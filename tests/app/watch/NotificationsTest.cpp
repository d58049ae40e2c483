#include "watch/Notifications.h"

#include "app/watch/FakeNotificationServer.h"
#include "app/watch/PrivateBus.h"
#include "watch/TimeOfDay.h"
#include "widgets/SettingsKeys.h"

#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace tavelin;
using test::FakeNotificationServer;
using test::PrivateBus;

namespace {

constexpr int64_t kGB = 1'000'000'000;

DiskAlert alertOf(AlertKind kind) {
    return {kind, 9 * kGB, 100 * kGB, 30.0, -2 * kGB, SuddenDrop{25 * kGB, {}}};
}

class NotificationsOnABus : public ::testing::Test {
protected:
    void SetUp() override {
        QSettings().clear();
        if (!bus.failure().isEmpty())
            GTEST_SKIP() << bus.failure().toStdString();
    }

    Notifications::Setup setup() {
        Notifications::Setup setup;
        setup.bus = bus.connect();
        setup.inBundle = true;
        setup.extraLine = [](AlertKind kind) -> std::optional<QString> {
            if (kind == AlertKind::critical)
                return QStringLiteral("Tavelin found 3 GB you can free without losing anything.");
            return std::nullopt;
        };
        return setup;
    }

    std::unique_ptr<FakeNotificationServer> startServer() {
        auto server = std::make_unique<FakeNotificationServer>(bus.connect());
        EXPECT_TRUE(server->registered);
        return server;
    }

    // Posts the warning and waits until the service's id for it is in.
    static bool posted(Notifications& notifications, AlertKind kind,
                       const FakeNotificationServer& server) {
        size_t before = server.received.size();
        notifications.post(alertOf(kind), QStringLiteral("Computer"));
        return QTest::qWaitFor(
            [&] {
                return server.received.size() > before &&
                       notifications.replaceId(kind) == server.received.back().id;
            },
            5000);
    }

    PrivateBus bus;
};

} // namespace

TEST_F(NotificationsOnABus, EachKindReplacesItsOwnNotificationAndAClickOpensTheAdvisor) {
    auto server = startServer();
    Notifications notifications(setup());
    QSignalSpy advisor(&notifications, &Notifications::advisorRequested);
    ASSERT_TRUE(posted(notifications, AlertKind::critical, *server));
    const FakeNotificationServer::Notification first = server->received[0];
    EXPECT_EQ(std::tuple(first.appName, first.replacesId, first.summary, first.body),
              std::tuple("Tavelin", 0u, "Only 9 GB left on Computer",
                         "Apps can slow down or fail to save when the disk is this full. Open "
                         "Tavelin to see what you can clear. Tavelin found 3 GB you can free "
                         "without losing anything."));
    EXPECT_TRUE(first.actions.contains("default"));

    ASSERT_TRUE(posted(notifications, AlertKind::runningOut, *server));
    ASSERT_TRUE(posted(notifications, AlertKind::critical, *server));
    ASSERT_TRUE(posted(notifications, AlertKind::runningOut, *server));

    // Another kind gets its own notification.
    EXPECT_EQ((std::vector{server->received[1].replacesId, server->received[2].replacesId,
                           server->received[3].replacesId}),
              (std::vector{0u, first.id, server->received[1].id}));
    EXPECT_NE(first.id, server->received[1].id);

    // Clicking one of ours opens the advisor.
    server->click(first.id + 100);
    server->click(first.id, QStringLiteral("other"));
    server->click(first.id);
    // Signals arrive in order: by the time the click on ours is in, the others were passed over.
    ASSERT_TRUE(QTest::qWaitFor([&] { return advisor.count() > 0; }, 5000));
    EXPECT_EQ(advisor.count(), 1);
}

TEST_F(NotificationsOnABus, AsksOnceInTheProgramWithWarningsWantedAndNoServiceOrARefusalIsOff) {
    Notifications alone(setup());
    alone.readStatus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return alone.isDenied().has_value(); }, 5000));
    EXPECT_TRUE(*alone.isDenied()) << "no notification service on this bus";

    // Outside the program the bus is never touched.
    auto server = startServer();
    Notifications::Setup detached = setup();
    detached.inBundle = false;
    Notifications outside(detached);
    outside.post(alertOf(AlertKind::critical), QStringLiteral("Computer"));
    outside.readStatus();
    outside.askOnceIfNeeded();
    QTest::qWait(200);
    EXPECT_TRUE(server->received.empty() && server->capabilityQueries == 0);
    EXPECT_EQ(outside.isDenied(), true);
    EXPECT_FALSE(QSettings().contains(SettingsKeys::askedForNotificationPermission));

    Notifications notifications(setup());
    QSettings().setValue(SettingsKeys::diskWarnings, false);
    notifications.askOnceIfNeeded();
    QTest::qWait(100);
    EXPECT_FALSE(QSettings().contains(SettingsKeys::askedForNotificationPermission));

    QSettings().setValue(SettingsKeys::diskWarnings, true);
    notifications.askOnceIfNeeded();
    ASSERT_TRUE(QTest::qWaitFor([&] { return notifications.isDenied().has_value(); }, 5000));
    EXPECT_EQ(server->capabilityQueries, 1);
    EXPECT_TRUE(QSettings().value(SettingsKeys::askedForNotificationPermission).toBool());
    EXPECT_EQ(notifications.isDenied(), false);
    notifications.askOnceIfNeeded();
    QTest::qWait(200);
    EXPECT_EQ(server->capabilityQueries, 1) << "never asked again";

    server->refuses = true;
    notifications.post(alertOf(AlertKind::critical), QStringLiteral("Computer"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return notifications.isDenied() == true; }, 5000));
    notifications.readStatus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return server->capabilityQueries == 2; }, 5000));
    QTest::qWait(100);
    EXPECT_EQ(notifications.isDenied(), true) << "still off after the refusal";
}

TEST(Notifications, TextsNameTheLastWholeDiskScanTheDesktopsSettingsAndLocalTimes) {
    QSettings().clear();
    EXPECT_EQ(Notifications::advisorLine(), std::nullopt) << "no whole-disk scan yet";
    QSettings().setValue(SettingsKeys::advisorSafeBytes, 900'000'000);
    EXPECT_EQ(Notifications::advisorLine(), std::nullopt);
    QSettings().setValue(SettingsKeys::advisorSafeBytes, qlonglong{12'345'000'000});
    EXPECT_EQ(Notifications::advisorLine(),
              "Tavelin found 12.35 GB you can free without losing anything.");
    QSettings().setValue(SettingsKeys::advisorSafeBytes, "lots");
    EXPECT_EQ(Notifications::advisorLine(), std::nullopt);

    auto installed = [](QStringList programs) {
        return [programs](const QString& name) {
            return programs.contains(name) ? QStringLiteral("/usr/bin/") + name : QString();
        };
    };
    auto gnome = installed({"gnome-control-center"});
    EXPECT_EQ(Notifications::settingsCommandFor("ubuntu:GNOME", gnome),
              (QStringList{"/usr/bin/gnome-control-center", "notifications"}));
    EXPECT_EQ(Notifications::settingsCommandFor("KDE", installed({"systemsettings5"})),
              (QStringList{"/usr/bin/systemsettings5", "kcm_notifications"}));
    EXPECT_FALSE(Notifications::settingsCommandFor("XFCE", gnome) ||
                 Notifications::settingsCommandFor("GNOME", installed({})) ||
                 Notifications::settingsCommandFor("", gnome));

    Date date = dateFromSecondsSince1970(1'700'000'000); // 22:13:20 UTC
    EXPECT_EQ(timeOfDay(date, QTimeZone("Europe/Berlin"), QLocale(QLocale::German)), "23:13");
    QString american = timeOfDay(date, QTimeZone("America/New_York"),
                                 QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_TRUE(american.startsWith("5:13") && american.endsWith("PM")) << american.toStdString();
}

TEST_F(NotificationsOnABus, ANewRunReplacesTheLastOneAndLowSpaceStaysUntilClosed) {
    auto server = startServer();
    uint first = 0;
    {
        Notifications before(setup());
        ASSERT_TRUE(posted(before, AlertKind::critical, *server));
        ASSERT_TRUE(posted(before, AlertKind::runningOut, *server));
        first = server->received[0].id;
    }
    EXPECT_EQ(server->received[0].hints.value("urgency").toInt(), 2) << "critical: kept on screen";
    EXPECT_EQ(server->received[1].hints.value("urgency").toInt(), 1);

    Notifications after(setup());
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return after.replaceId(AlertKind::critical) == first; }, 5000))
        << "the id the same service gave the run before";
    ASSERT_TRUE(posted(after, AlertKind::critical, *server));
    EXPECT_EQ(server->received.back().replacesId, first);

    // A service started since never gave those ids: they may be another program's now.
    server.reset();
    server = startServer();
    Notifications restarted(setup());
    QTest::qWait(200);
    EXPECT_EQ(restarted.replaceId(AlertKind::critical), std::nullopt);
    ASSERT_TRUE(posted(restarted, AlertKind::critical, *server));
    EXPECT_EQ(server->received.back().replacesId, 0u);
}
