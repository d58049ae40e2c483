#pragma once

// The parts of Tavelin that live as long as the process: the free-space watch with its
// notifications and tray item, and the main windows, each with a model of its own. With the
// tray item shown, closing the last window leaves Tavelin watching from the tray; without it
// (turned off, or a desktop without a tray) closing the last window quits.
//
// Lives on the UI thread.

#include "model/AppModel.h"
#include "shell/LaunchOptions.h"
#include "watch/DiskWatch.h"
#include "watch/Notifications.h"
#include "watch/TrayHost.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tavelin {

class FreeSpaceChart;
class MainWindow;
class SettingsWindow;
class TrayItem;

class TavelinApp : public QObject {
    Q_OBJECT
public:
    struct Services {
        std::function<AppEnvironment()> modelEnvironment;
        DiskWatch::Environment watch;
        Notifications::Setup notifications;
        // Where the desktop's tray is looked for; the item shows there while
        // "showMenuBarExtra" is on.
        TrayHost::Setup tray;

        // The program's own, as the command line asks: the demonstration, or no access.
        static Services live(const LaunchOptions& launch);
    };

    // `launchPath` is scanned by the first main window, when it is a folder.
    TavelinApp(Services services, std::string launchPath, QObject* parent = nullptr);
    ~TavelinApp() override;

    // Brings the most recently opened main window forward, or opens one.
    MainWindow& openMainWindow();
    // Opens another main window with a model of its own, scanning `scanPath` when it is given.
    MainWindow& newMainWindow(std::string scanPath = {});
    // The settings window, one for the process.
    SettingsWindow& showSettings();
    // Shows or removes the tray item (where the desktop has a tray); without it, closing the
    // last window quits. A tray that comes or goes later is followed.
    void setTrayShown(bool shown);
    // A main window forward with the inspector on the advisor: where a warning leads.
    void showAdvisor();
    // The window with the startup disk's free-space chart.
    FreeSpaceChart& showHistory();

    DiskWatch& diskWatch() const { return *watch_; }
    Notifications& notifications() const { return *notifications_; }
    // Nothing where the tray item is not shown.
    TrayItem* trayItem() const { return tray_.get(); }
    std::vector<MainWindow*> mainWindows() const;

private:
    static void bringForward(QWidget& window);

    Services services_;
    std::string launchPath_;
    std::unique_ptr<Notifications> notifications_;
    std::unique_ptr<DiskWatch> watch_;
    std::unique_ptr<TrayHost> trayHost_;
    std::unique_ptr<TrayItem> tray_;
    std::vector<QPointer<MainWindow>> windows_;
    std::unique_ptr<FreeSpaceChart> chart_;
    std::unique_ptr<SettingsWindow> settings_;
};

} // namespace tavelin
