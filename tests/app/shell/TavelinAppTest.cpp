#include "shell/TavelinApp.h"

#include "app/ModelFixture.h"
#include "app/watch/FakeTrayWatcher.h"
#include "app/watch/PrivateBus.h"
#include "privacy/Privacy.h"
#include "report/AgentPrompt.h"
#include "shell/DemonstrationSettings.h"
#include "shell/ExcludedFoldersSection.h"
#include "shell/SettingsWindow.h"
#include "shell/SingleInstance.h"
#include "watch/FreeSpaceChart.h"
#include "watch/NotificationSettings.h"
#include "widgets/ExcludedFolders.h"
#include "widgets/NumberLocale.h"
#include "widgets/SettingsKeys.h"
#include "window/MainWindow.h"
#include "window/TavelinCommands.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSettings>
#include <QTest>

using namespace tavelin;

namespace {

class TavelinAppTest : public test::ModelFixture {
protected:
    TavelinApp::Services services() {
        TavelinApp::Services services;
        services.modelEnvironment = [this] { return environment(); };
        services.watch = {[] { return std::vector<platform::Volume>(); },
                          [] { return std::chrono::system_clock::now(); }, data.path() / "Data",
                          false};
        // In the program, but without any bus: the desktop's services stay untouched.
        services.notifications.inBundle = true;
        return services;
    }
};

} // namespace

TEST_F(TavelinAppTest, TheLaunchPathIsScannedAndThePermissionAskedWhenThatScanFinishes) {
    tree.file("file", 1'000);
    TavelinApp app(services(), tree.root().string());
    AppModel& model = app.openMainWindow().model();
    ASSERT_TRUE(model.session()) << "the first window scans the launch path";
    EXPECT_FALSE(QSettings().contains(SettingsKeys::askedForNotificationPermission));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !model.isScanning(); }, 20000));
    EXPECT_TRUE(QSettings().value(SettingsKeys::askedForNotificationPermission).toBool());
    FreeSpaceChart& chart = app.showHistory();
    EXPECT_EQ(&app.showHistory(), &chart) << "one history window";
    EXPECT_TRUE(chart.isVisible());
}

TEST_F(TavelinAppTest, AClickedWarningOpensAWindowOnTheAdvisorAndTwoWindowsShowTwoScans) {
    tree.file("first/file", 1'000);
    tree.file("second/file", 2'000);
    TavelinApp app(services(), std::string());
    EXPECT_TRUE(app.mainWindows().empty());
    app.notifications().openAdvisor();
    ASSERT_EQ(app.mainWindows().size(), 1u);
    AppModel& model = app.mainWindows()[0]->model();
    EXPECT_TRUE(model.inspectorShown());
    EXPECT_EQ(model.inspectorTab(), InspectorTab::advisor);

    model.setInspectorTab(InspectorTab::kinds);
    app.notifications().openAdvisor();
    ASSERT_EQ(app.mainWindows().size(), 1u) << "the open window is brought forward";
    EXPECT_EQ(model.inspectorTab(), InspectorTab::advisor);

    app.mainWindows()[0]->close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return app.mainWindows().empty(); }, 2000));
    app.notifications().openAdvisor();
    ASSERT_EQ(app.mainWindows().size(), 1u);

    // Two windows show two scans, and commands reach only the active one.
    MainWindow& first = app.openMainWindow();
    first.commands().newWindow->trigger();
    ASSERT_EQ(app.mainWindows().size(), 2u);
    MainWindow& second = *app.mainWindows()[1];
    ASSERT_NE(&first.model(), &second.model());
    ASSERT_TRUE(scanned(first.model(), tree.path("first")));
    ASSERT_TRUE(scanned(second.model(), tree.path("second")));
    EXPECT_EQ(first.model().session()->path(), tree.path("first"));
    EXPECT_EQ(second.model().session()->path(), tree.path("second"));

    QApplication::setActiveWindow(&second);
    ASSERT_TRUE(QTest::qWaitFor([&] { return second.isActiveWindow(); }, 2000));
    auto shown = first.model().session();
    first.commands().scanHome->trigger();
    EXPECT_EQ(first.model().session(), shown) << "the inactive window's command does nothing";
    second.commands().scanHome->trigger();
    EXPECT_EQ(second.model().session()->path(), home.root().string());
    EXPECT_EQ(first.model().session(), shown);

    EXPECT_FALSE(first.commands().back->isEnabled());
    EXPECT_EQ(app.openMainWindow().model().session()->path(), home.root().string())
        << "the most recent window comes forward";
}

TEST_F(TavelinAppTest, SettingsAreReadAndWrittenLiveUpdatesReachEveryWindowAndTheTraySwitchQuits) {
    QSettings().setValue(SettingsKeys::agentPrompt, QStringLiteral("Be brief."));
    TavelinApp::Services withTray = services();
    withTray.tray.otherTray = [] { return true; };
    QSettings().setValue(SettingsKeys::showMenuBarExtra, false);
    TavelinApp app(std::move(withTray), std::string());
    EXPECT_EQ(app.trayItem(), nullptr);
    EXPECT_TRUE(QApplication::quitOnLastWindowClosed());
    MainWindow& first = app.openMainWindow();
    MainWindow& second = app.newMainWindow();
    first.commands().settings->trigger();
    SettingsWindow& settings = app.showSettings();
    EXPECT_TRUE(settings.isVisible());
    EXPECT_LT(settings.height(), settings.screen()->availableGeometry().height())
        << "taller than the screen, the settings scroll";
    EXPECT_EQ(settings.agentPrompt().toPlainText(), "Be brief.");
    EXPECT_EQ(settings.agentPrompt().height(), 150);
    settings.standardPrompt().click();
    EXPECT_EQ(QSettings().value(SettingsKeys::agentPrompt).toString().toStdString(),
              AgentPrompt::standard());
    settings.agentPrompt().setPlainText(QStringLiteral("  \n "));
    EXPECT_EQ(first.model().agentPrompt(), AgentPrompt::standard())
        << "a blank prompt stands for the standard one";
    settings.agentPrompt().setPlainText(QStringLiteral("  Be brief.\n"));
    EXPECT_EQ(first.model().agentPrompt(), "Be brief.");

    EXPECT_TRUE(settings.liveUpdates().isChecked()) << "on by default";
    settings.liveUpdates().setChecked(false);
    EXPECT_FALSE(QSettings().value(SettingsKeys::liveUpdates).toBool());
    EXPECT_FALSE(first.model().liveUpdates().enabled());
    EXPECT_FALSE(second.model().liveUpdates().enabled());

    settings.binaryUnits().setChecked(true);
    EXPECT_EQ(QSettings().value(SettingsKeys::sizeUnits), "binary");
    setByteUnits(ByteUnits::decimal);
    installByteUnits();
    EXPECT_EQ(byteUnits(), ByteUnits::binary) << "what the commands without a window read";
    storeByteUnits(ByteUnits::decimal);
    // Typed entries are kept as patterns or absolute paths; anything else says what to type.
    auto& excluded = *settings.findChild<ExcludedFoldersSection*>();
    QTest::keyClicks(&excluded.pattern(), QStringLiteral(" *.iso "));
    QTest::keyClick(&excluded.pattern(), Qt::Key_Return);
    EXPECT_TRUE(excluded.pattern().text().isEmpty());
    EXPECT_TRUE(excluded.add(QStringLiteral("~/Films/")));
    EXPECT_FALSE(excluded.add(QStringLiteral("Films/old")));
    EXPECT_FALSE(excluded.problem().isHidden());
    EXPECT_EQ(ExcludedFolders::stored(),
              (std::vector<std::string>{"*.iso", Privacy::userHome() + "/Films"}));
    excluded.list().item(0)->setSelected(true);
    excluded.remove().click();
    EXPECT_EQ(ExcludedFolders::stored(), std::vector<std::string>{Privacy::userHome() + "/Films"});
    EXPECT_TRUE(settings.findChild<NotificationSettings*>()) << "the disk warnings' switch";

    // The tray switch decides whether closing the last window quits.
    EXPECT_FALSE(settings.trayItem().isChecked());
    settings.trayItem().setChecked(true);
    EXPECT_TRUE(QSettings().value(SettingsKeys::showMenuBarExtra).toBool());
    EXPECT_NE(app.trayItem(), nullptr);
    EXPECT_FALSE(QApplication::quitOnLastWindowClosed());
    settings.trayItem().setChecked(false);
    EXPECT_EQ(app.trayItem(), nullptr);
    EXPECT_TRUE(QApplication::quitOnLastWindowClosed());
    EXPECT_EQ(&app.showSettings(), &settings) << "one settings window for the process";
}

TEST_F(TavelinAppTest, ASecondLaunchOpensAWindowInTheFirst) {
    tree.file("folder/file", 1'000);
    TavelinApp app(services(), std::string());
    SingleInstance instance(SingleInstance::defaultName());
    ASSERT_TRUE(instance.isListening());
    QObject::connect(&instance, &SingleInstance::windowRequested, &app,
                     [&app](const std::string& path) { app.newMainWindow(path); });
    app.openMainWindow();

    QProcess second;
    second.setWorkingDirectory(QString::fromStdString(tree.root().string()));
    second.start(QStringLiteral(TAVELIN_PROGRAM), {QStringLiteral("folder")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return app.mainWindows().size() == 2; }, 10000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return second.state() == QProcess::NotRunning; }, 10000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0) << "the second process ends once the first took over";
    ASSERT_TRUE(app.mainWindows()[1]->model().session());
    EXPECT_EQ(app.mainWindows()[1]->model().session()->path(), tree.path("folder"))
        << "a relative path is the one where the second process started";
    EXPECT_FALSE(SingleInstance::handOver(QString::fromStdString(tree.path("nobody.socket")), "/",
                                          std::chrono::milliseconds(500)))
        << "no one listening";
}

TEST_F(TavelinAppTest, ATrayThatComesLaterIsUsedAndWithoutOneTheSwitchSaysWhy) {
    test::PrivateBus bus;
    if (!bus.failure().isEmpty())
        GTEST_SKIP() << bus.failure().toStdString();
    TavelinApp::Services late = services();
    late.tray.bus = bus.connect();
    TavelinApp app(std::move(late), std::string());
    EXPECT_EQ(app.trayItem(), nullptr);
    SettingsWindow& settings = app.showSettings();
    EXPECT_FALSE(settings.trayItem().isEnabled());
    EXPECT_FALSE(settings.trayItem().isChecked()) << "not shown ticked where it cannot show";
    EXPECT_FALSE(settings.trayCaption().isHidden());
    EXPECT_TRUE(QSettings().value(SettingsKeys::showMenuBarExtra, true).toBool())
        << "the setting itself stays on for when a tray comes";

    test::FakeTrayWatcher watcher(bus.connect());
    ASSERT_TRUE(watcher.registered);
    QTest::qWait(100);
    EXPECT_EQ(app.trayItem(), nullptr) << "a watcher without a host is no tray yet";
    watcher.hostArrives();
    ASSERT_TRUE(QTest::qWaitFor([&] { return app.trayItem() != nullptr; }, 5000));
    EXPECT_TRUE(settings.trayItem().isEnabled());
    EXPECT_TRUE(settings.trayItem().isChecked());
    EXPECT_TRUE(settings.trayCaption().isHidden());
    EXPECT_FALSE(QApplication::quitOnLastWindowClosed());
    watcher.hostLeaves();
    EXPECT_TRUE(QTest::qWaitFor([&] { return app.trayItem() == nullptr; }, 5000));
}

TEST_F(TavelinAppTest, TheDemonstrationNeitherSeesNorLeavesTheUsersSettings) {
    std::string kept = tree.folder("kept");
    QSettings().setValue(SettingsKeys::recents, QStringList{QString::fromStdString(kept)});
    {
        DemonstrationSettings demonstration;
        EXPECT_FALSE(QSettings().contains(SettingsKeys::recents));
        auto environment = this->environment();
        environment.becomeDemonstration();
        AppModel model(environment);
        EXPECT_TRUE(model.recents().empty()) << "no real recent folder in its sidebar";
        model.setMeasure(Measure::unique);
        QSettings().setValue(SettingsKeys::hiddenCandidates, QStringList{"demo"});
    }
    EXPECT_EQ(QSettings().value(SettingsKeys::recents).toStringList(),
              QStringList{QString::fromStdString(kept)});
    EXPECT_FALSE(QSettings().contains(SettingsKeys::measure));
    EXPECT_FALSE(QSettings().contains(SettingsKeys::hiddenCandidates));
}
