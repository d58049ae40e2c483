#pragma once

// The window's menu commands with their shortcuts, enabled only when they can act on the
// window's model. Each command acts only while its window is the active one.

#include "scan/Measure.h"

#include <QObject>
#include <array>

class QAction;
class QMainWindow;
class QMenuBar;

namespace tavelin {

class AppModel;

class TavelinCommands : public QObject {
    Q_OBJECT
public:
    TavelinCommands(AppModel& model, QMainWindow& window);

    QAction* scanFolder;
    QAction* scanHome;
    QAction* openScanFile;
    QAction* exportScan;
    QAction* showInFileManager;
    QAction* copyPath;
    QAction* moveToTrash;
    // Puts back the newest removal that can still be put back.
    QAction* undo;
    QAction* rescan;
    QAction* stopScanning;
    QAction* back;
    QAction* forward;
    QAction* enclosingFolder;
    QAction* open;
    // Puts the keyboard into the search field; the window's toolbar owns the field.
    QAction* find;
    QAction* keyboardShortcuts;
    QAction* manual;
    QAction* about;
    // Process-wide: the application object decides what they open.
    QAction* freeSpaceHistory;
    QAction* newWindow;
    QAction* settings;
    // The measures, in the order of `kAllMeasures`, one checked: the View menu and the
    // toolbar's measure button share them.
    std::array<QAction*, kAllMeasures.size()> measures;

    void updateEnabled();
    void showMeasure();

private:
    QAction* command(const QString& title, const QList<QKeySequence>& shortcuts,
                     void (TavelinCommands::*run)());
    void buildMenus(QMenuBar* bar);

    void doScanFolder();
    void doScanHome();
    void doOpenScanFile();
    void doExportScan();
    void doShowInFileManager();
    void doCopyPath();
    void doMoveToTrash();
    void doUndo();
    void doRescan();
    void doStopScanning();
    void doBack();
    void doForward();
    void doEnclosingFolder();
    void doOpen();
    void doKeyboardShortcuts();
    void doManual();
    void doAbout();

    AppModel& model_;
    QMainWindow& window_;
};

} // namespace tavelin
