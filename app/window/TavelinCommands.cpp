#include "window/TavelinCommands.h"

#include "model/AppModel.h"
#include "widgets/FolderChooser.h"
#include "widgets/SymbolIcons.h"
#include "widgets/Texts.h"
#include "window/HelpMenu.h"
#include "window/ScanFileDialogs.h"

#include <QAction>
#include <QActionGroup>
#include <QCoreApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

namespace tavelin {

TavelinCommands::TavelinCommands(AppModel& model, QMainWindow& window)
    : QObject(&window)
    , model_(model)
    , window_(window) {
    scanFolder = command(QStringLiteral("Scan Folder…"), {QKeySequence(Qt::CTRL | Qt::Key_O)},
                         &TavelinCommands::doScanFolder);
    scanHome =
        command(QStringLiteral("Scan Home Folder"),
                {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_H)}, &TavelinCommands::doScanHome);
    openScanFile =
        command(QStringLiteral("Open Scan File…"), {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O)},
                &TavelinCommands::doOpenScanFile);
    exportScan = command(QStringLiteral("Export Scan…"), {QKeySequence(Qt::CTRL | Qt::Key_E)},
                         &TavelinCommands::doExportScan);
    exportScan->setToolTip(QStringLiteral("Write this scan for ncdu, gdu or Tavelin elsewhere"));
    showInFileManager =
        command(linuxText("Show in Finder"), {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R)},
                &TavelinCommands::doShowInFileManager);
    copyPath = command(QStringLiteral("Copy Path"), {QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_C)},
                       &TavelinCommands::doCopyPath);
    moveToTrash =
        command(QStringLiteral("Move to Trash"), {QKeySequence(Qt::CTRL | Qt::Key_Delete)},
                &TavelinCommands::doMoveToTrash);
    undo = command(QStringLiteral("Undo"), QKeySequence::keyBindings(QKeySequence::Undo),
                   &TavelinCommands::doUndo);
    // Besides the first keys, the ones Linux file managers and viewers use for the same.
    rescan = command(QStringLiteral("Rescan"),
                     {QKeySequence(Qt::CTRL | Qt::Key_R), QKeySequence(Qt::Key_F5)},
                     &TavelinCommands::doRescan);
    stopScanning =
        command(QStringLiteral("Stop Scanning"), {QKeySequence(Qt::CTRL | Qt::Key_Period)},
                &TavelinCommands::doStopScanning);
    back = command(
        QStringLiteral("Back"),
        {QKeySequence(Qt::CTRL | Qt::Key_BracketLeft), QKeySequence(Qt::ALT | Qt::Key_Left)},
        &TavelinCommands::doBack);
    forward = command(
        QStringLiteral("Forward"),
        {QKeySequence(Qt::CTRL | Qt::Key_BracketRight), QKeySequence(Qt::ALT | Qt::Key_Right)},
        &TavelinCommands::doForward);
    // A text field keeps Backspace for itself, so it goes up only from the map and the table.
    enclosingFolder = command(QStringLiteral("Enclosing Folder"),
                              {QKeySequence(Qt::CTRL | Qt::Key_Up),
                               QKeySequence(Qt::ALT | Qt::Key_Up), QKeySequence(Qt::Key_Backspace)},
                              &TavelinCommands::doEnclosingFolder);
    open = command(QStringLiteral("Open"), {QKeySequence(Qt::CTRL | Qt::Key_Down)},
                   &TavelinCommands::doOpen);
    find = command(QStringLiteral("Find"), {QKeySequence(Qt::CTRL | Qt::Key_F)}, nullptr);
    keyboardShortcuts =
        command(QStringLiteral("Keyboard Shortcuts"), {QKeySequence(Qt::CTRL | Qt::Key_Question)},
                &TavelinCommands::doKeyboardShortcuts);
    manual = command(QStringLiteral("Tavelin Manual"), {QKeySequence(Qt::Key_F1)},
                     &TavelinCommands::doManual);
    about = command(QStringLiteral("About Tavelin"), {}, &TavelinCommands::doAbout);
    freeSpaceHistory = new QAction(QStringLiteral("Free-Space History…"), this);
    newWindow = new QAction(QStringLiteral("New Window"), this);
    newWindow->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    settings = new QAction(linuxText("Preferences…"), this);
    settings->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    settings->setMenuRole(QAction::PreferencesRole);

    auto* measureGroup = new QActionGroup(this);
    for (size_t i = 0; i < kAllMeasures.size(); ++i) {
        Measure measure = kAllMeasures[i];
        measures[i] = measureGroup->addAction(measureTitle(measure));
        measures[i]->setCheckable(true);
        connect(measures[i], &QAction::triggered, this,
                [this, measure] { model_.setMeasure(measure); });
    }
    connect(&model_, &AppModel::measureChanged, this, &TavelinCommands::showMeasure);
    showMeasure();

    back->setIcon(symbolIcon("chevron.left"));
    forward->setIcon(symbolIcon("chevron.right"));
    rescan->setIcon(symbolIcon("arrow.clockwise"));
    stopScanning->setIcon(symbolIcon("stop.fill"));
    showInFileManager->setIcon(symbolIcon("folder"));
    moveToTrash->setIcon(symbolIcon("trash"));
    moveToTrash->setToolTip(QStringLiteral("Move the selection to the Trash"));
    buildMenus(window.menuBar());

    for (auto signal :
         {&AppModel::stacksChanged, &AppModel::selectionChanged, &AppModel::isScanningChanged,
          &AppModel::currentChanged, &AppModel::sessionChanged, &AppModel::scanFileChanged})
        connect(&model_, signal, this, &TavelinCommands::updateEnabled);
    connect(&model_.applying(), &ApplyState::changed, this, &TavelinCommands::updateEnabled);
    updateEnabled();
}

QAction* TavelinCommands::command(const QString& title, const QList<QKeySequence>& shortcuts,
                                  void (TavelinCommands::*run)()) {
    auto* action = new QAction(title, this);
    action->setShortcuts(shortcuts);
    action->setShortcutContext(Qt::WindowShortcut);
    if (run)
        connect(action, &QAction::triggered, this, [this, run] {
            if (window_.isActiveWindow())
                (this->*run)();
        });
    return action;
}

void TavelinCommands::buildMenus(QMenuBar* bar) {
    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    file->addAction(newWindow);
    file->addSeparator();
    file->addActions({scanFolder, scanHome});
    file->addSeparator();
    file->addActions({openScanFile, exportScan});
    file->addSeparator();
    file->addActions({showInFileManager, copyPath, moveToTrash});
    file->addSeparator();
    QAction* quit = file->addAction(QStringLiteral("Quit"));
    quit->setShortcut(QKeySequence::Quit);
    // Quits the whole program, the tray item included, not just this window.
    connect(quit, &QAction::triggered, this, [] { QCoreApplication::quit(); });

    QMenu* edit = bar->addMenu(QStringLiteral("&Edit"));
    edit->addAction(undo);
    edit->addSeparator();
    edit->addAction(find);
    edit->addSeparator();
    edit->addAction(settings);

    QMenu* view = bar->addMenu(QStringLiteral("&View"));
    view->addActions({rescan, stopScanning});
    view->addSeparator();
    for (QAction* measure : measures)
        view->addAction(measure);
    view->addSeparator();
    view->addAction(freeSpaceHistory);

    QMenu* go = bar->addMenu(QStringLiteral("&Go"));
    go->addActions({back, forward, enclosingFolder, open});

    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    help->addActions({keyboardShortcuts, manual});
    help->addSeparator();
    help->addAction(about);
}

void TavelinCommands::updateEnabled() {
    bool selected = !model_.selection().empty();
    showInFileManager->setEnabled(selected);
    copyPath->setEnabled(selected);
    open->setEnabled(selected);
    moveToTrash->setEnabled(model_.applying().canTrashNow(model_.selectedNodes()));
    undo->setEnabled(model_.applying().lastUndoable().has_value());
    rescan->setEnabled(model_.current() != nullptr);
    stopScanning->setEnabled(model_.isScanning());
    exportScan->setEnabled(model_.canExport());
    back->setEnabled(!model_.backStack().empty());
    forward->setEnabled(!model_.forwardStack().empty());
    enclosingFolder->setEnabled(model_.current() && model_.current()->parent());
}

void TavelinCommands::showMeasure() {
    for (size_t i = 0; i < kAllMeasures.size(); ++i)
        measures[i]->setChecked(kAllMeasures[i] == model_.measure());
}

void TavelinCommands::doScanFolder() {
    if (auto folder = chooseFolder(&window_))
        model_.scan(*folder);
}
void TavelinCommands::doScanHome() {
    model_.scan(model_.userHome());
}
void TavelinCommands::doOpenScanFile() {
    if (auto file = chooseScanFile(&window_))
        model_.openScanFile(*file);
}
void TavelinCommands::doExportScan() {
    if (!model_.session())
        return;
    if (auto file = chooseExportFile(&window_, model_.session()->root()->name))
        model_.exportScan(*file);
}
void TavelinCommands::doShowInFileManager() {
    model_.reveal(model_.selectedNodes());
}
void TavelinCommands::doCopyPath() {
    model_.copyPaths(model_.selectedNodes());
}
void TavelinCommands::doMoveToTrash() {
    model_.askToTrash(model_.selectedNodes());
}
void TavelinCommands::doUndo() {
    model_.undoLast();
}
void TavelinCommands::doRescan() {
    model_.rescan();
}
void TavelinCommands::doStopScanning() {
    model_.stopScanning();
}
void TavelinCommands::doBack() {
    model_.back();
}
void TavelinCommands::doForward() {
    model_.forward();
}
void TavelinCommands::doEnclosingFolder() {
    model_.up();
}

void TavelinCommands::doOpen() {
    auto selected = model_.selectedNodes();
    if (!selected.empty())
        model_.activate(selected.front());
}

void TavelinCommands::doKeyboardShortcuts() {
    HelpMenu::showShortcuts(window_);
}
void TavelinCommands::doManual() {
    HelpMenu::openManual(&window_);
}
void TavelinCommands::doAbout() {
    HelpMenu::showAbout(&window_);
}

} // namespace tavelin
