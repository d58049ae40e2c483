#include "TavelinApp.h"

#include "SettingsKeys.h"
#include "app/ModelFixture.h"
#include "watch/FreeSpaceChart.h"
#include "window/MainWindow.h"

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

TEST_F(TavelinAppTest, AClickedWarningOpensAWindowOnTheAdvisor) {
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
    EXPECT_EQ(app.mainWindows().size(), 1u);
}

TEST_F(TavelinAppTest, ThePermissionIsAskedWhenTheFirstScanFinishes) {
    tree.file("file", 1'000);
    TavelinApp app(services(), std::string());
    AppModel& model = app.openMainWindow().model();
    EXPECT_FALSE(QSettings().contains(SettingsKeys::askedForNotificationPermission));
    ASSERT_TRUE(scanned(model, tree.root().string()));
    EXPECT_TRUE(QSettings().value(SettingsKeys::askedForNotificationPermission).toBool());
}

TEST_F(TavelinAppTest, TheHistoryWindowIsOpenedOnceAndTheLaunchPathScannedOnce) {
    tree.file("file", 1'000);
    TavelinApp app(services(), tree.root().string());
    MainWindow& first = app.openMainWindow();
    EXPECT_TRUE(first.model().session()) << "the first window scans the launch path";
    FreeSpaceChart& chart = app.showHistory();
    EXPECT_EQ(&app.showHistory(), &chart);
    EXPECT_TRUE(chart.isVisible());
    EXPECT_EQ(app.trayItem(), nullptr);
}
