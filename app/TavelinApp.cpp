#include "TavelinApp.h"

#include "SettingsKeys.h"
#include "watch/FreeSpaceChart.h"
#include "watch/TrayItem.h"
#include "window/MainWindow.h"
#include "window/TavelinCommands.h"

#include <QAction>
#include <QApplication>
#include <QSettings>

namespace tavelin {

TavelinApp::Services TavelinApp::Services::live() {
    Services services;
    services.modelEnvironment = [] { return AppEnvironment::live(); };
    services.watch = DiskWatch::Environment::live();
    services.notifications = Notifications::Setup::live();
    services.showsTrayItem =
        TrayItem::isAvailable() && QSettings().value(SettingsKeys::showMenuBarExtra, true).toBool();
    return services;
}

TavelinApp::TavelinApp(Services services, std::string launchPath, QObject* parent)
    : QObject(parent)
    , services_(std::move(services))
    , launchPath_(std::move(launchPath))
    , notifications_(std::make_unique<Notifications>(services_.notifications))
    , watch_(std::make_unique<DiskWatch>(services_.watch, *notifications_)) {
    connect(notifications_.get(), &Notifications::advisorRequested, this, &TavelinApp::showAdvisor);
    if (services_.showsTrayItem) {
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
    MainWindow* window = windows_.empty() ? nullptr : windows_.back().data();
    if (!window) {
        AppEnvironment environment = services_.modelEnvironment();
        environment.askNotificationPermission = [notifications = notifications_.get()] {
            notifications->askOnceIfNeeded();
        };
        window = new MainWindow(std::make_unique<AppModel>(std::move(environment)),
                                std::exchange(launchPath_, std::string()));
        window->setAttribute(Qt::WA_DeleteOnClose);
        connect(window->commands().freeSpaceHistory, &QAction::triggered, this,
                [this] { showHistory(); });
        windows_.emplace_back(window);
    }
    window->show();
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->raise();
    window->activateWindow();
    return *window;
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
    chart_->show();
    chart_->raise();
    chart_->activateWindow();
    return *chart_;
}

} // namespace tavelin
