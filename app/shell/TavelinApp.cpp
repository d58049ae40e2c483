#include "shell/TavelinApp.h"

#include "demo/DemoHome.h"
#include "shell/SettingsWindow.h"
#include "watch/FreeSpaceChart.h"
#include "watch/TrayItem.h"
#include "widgets/SettingsKeys.h"
#include "window/MainWindow.h"
#include "window/TavelinCommands.h"

#include <QAction>
#include <QApplication>
#include <QSettings>

namespace tavelin {

TavelinApp::Services TavelinApp::Services::live(const LaunchOptions& launch) {
    Services services;
    services.modelEnvironment = [pretendNoAccess = launch.pretendNoAccess, demo = launch.demo] {
        AppEnvironment environment = AppEnvironment::live();
        if (demo)
            environment.becomeDemonstration();
        if (pretendNoAccess)
            environment.accessProbe = [] { return false; };
        return environment;
    };
    services.watch = DiskWatch::Environment::live();
    services.watch.isDemonstration = launch.demo;
    services.notifications = Notifications::Setup::live();
    services.notifications.isDemonstration = launch.demo;
    services.tray = TrayHost::Setup::live();
    return services;
}

TavelinApp::TavelinApp(Services services, std::string launchPath, QObject* parent)
    : QObject(parent)
    , services_(std::move(services))
    , launchPath_(std::move(launchPath))
    , notifications_(std::make_unique<Notifications>(services_.notifications))
    , watch_(std::make_unique<DiskWatch>(services_.watch, *notifications_))
    , trayHost_(std::make_unique<TrayHost>(services_.tray)) {
    connect(notifications_.get(), &Notifications::advisorRequested, this, &TavelinApp::showAdvisor);
    auto followSetting = [this] {
        setTrayShown(QSettings().value(SettingsKeys::showMenuBarExtra, true).toBool());
    };
    connect(trayHost_.get(), &TrayHost::availableChanged, this, followSetting);
    followSetting();
}

void TavelinApp::setTrayShown(bool shown) {
    if (!shown || !trayHost_->isAvailable()) {
        tray_.reset();
    } else if (!tray_) {
        tray_ = std::make_unique<TrayItem>(*watch_);
        connect(tray_.get(), &TrayItem::openRequested, this, [this] { openMainWindow(); });
        connect(tray_.get(), &TrayItem::historyRequested, this, [this] { showHistory(); });
        connect(tray_.get(), &TrayItem::quitRequested, this, [] { QCoreApplication::quit(); });
    }
    QApplication::setQuitOnLastWindowClosed(!tray_);
}

TavelinApp::~TavelinApp() {
    for (const QPointer<MainWindow>& window : windows_)
        delete window.data();
}

std::vector<MainWindow*> TavelinApp::mainWindows() const {
    std::vector<MainWindow*> open;
    for (const QPointer<MainWindow>& window : windows_)
        if (window)
            open.push_back(window.data());
    return open;
}

MainWindow& TavelinApp::openMainWindow() {
    std::erase_if(windows_, [](const QPointer<MainWindow>& window) { return window.isNull(); });
    if (windows_.empty())
        return newMainWindow(std::exchange(launchPath_, std::string()));
    MainWindow& window = *windows_.back();
    bringForward(window);
    return window;
}

MainWindow& TavelinApp::newMainWindow(std::string scanPath) {
    AppEnvironment environment = services_.modelEnvironment();
    // Every window of the demonstration shows the generated home at once.
    if (environment.isDemonstration && scanPath.empty())
        scanPath = DemoHome::path;
    environment.askNotificationPermission = [notifications = notifications_.get()] {
        notifications->askOnceIfNeeded();
    };
    auto* window =
        new MainWindow(std::make_unique<AppModel>(std::move(environment)), std::move(scanPath));
    window->setAttribute(Qt::WA_DeleteOnClose);
    const TavelinCommands& commands = window->commands();
    connect(commands.freeSpaceHistory, &QAction::triggered, this, [this] { showHistory(); });
    connect(commands.newWindow, &QAction::triggered, this, [this] { newMainWindow(); });
    connect(commands.settings, &QAction::triggered, this, [this] { showSettings(); });
    windows_.emplace_back(window);
    bringForward(*window);
    return *window;
}

void TavelinApp::bringForward(QWidget& window) {
    window.show();
    window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
    window.raise();
    window.activateWindow();
}

SettingsWindow& TavelinApp::showSettings() {
    if (!settings_) {
        settings_ = std::make_unique<SettingsWindow>(*notifications_, *trayHost_);
        connect(settings_.get(), &SettingsWindow::trayItemToggled, this, &TavelinApp::setTrayShown);
        // Every open window follows, and restarts or stops its watcher.
        connect(settings_.get(), &SettingsWindow::liveUpdatesToggled, this, [this](bool on) {
            for (MainWindow* window : mainWindows())
                window->model().liveUpdates().setEnabled(on);
        });
        connect(settings_.get(), &SettingsWindow::sizeUnitsChanged, this, [this] {
            for (MainWindow* window : mainWindows())
                window->model().rewriteFigures();
        });
    }
    bringForward(*settings_);
    return *settings_;
}

void TavelinApp::showAdvisor() {
    AppModel& model = openMainWindow().model();
    model.setInspectorShown(true);
    model.setInspectorTab(InspectorTab::advisor);
}

FreeSpaceChart& TavelinApp::showHistory() {
    // The chart may be the first to ask: a reading now rather than in up to a minute.
    watch_->refresh();
    if (!chart_)
        chart_ = std::make_unique<FreeSpaceChart>(*watch_);
    bringForward(*chart_);
    return *chart_;
}

} // namespace tavelin
