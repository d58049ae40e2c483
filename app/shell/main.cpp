#include "executor/UndoJournal.h"
#include "model/DataFolder.h"
#include "platform/PrivateFiles.h"
#include "privacy/Privacy.h"
#include "scan/FolderProblem.h"
#include "shell/ApplyCommand.h"
#include "shell/DemonstrationSettings.h"
#include "shell/ExportCommand.h"
#include "shell/LaunchOptions.h"
#include "shell/ReportCommand.h"
#include "shell/SingleInstance.h"
#include "shell/SuggestCommand.h"
#include "shell/TavelinApp.h"
#include "shell/UndoCommand.h"
#include "util/Paths.h"
#include "widgets/NumberLocale.h"
#include "widgets/SandboxAccess.h"
#include "window/MainWindow.h"

#include <QApplication>
#include <QIcon>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// The commands that print or act without a window.
int runCommand(const tavelin::LaunchOptions& launch) {
    using Action = tavelin::LaunchOptions::Action;
    bool progress = ::isatty(STDERR_FILENO);
    tavelin::UndoJournal journal(tavelin::dataFolder() / "undo");
    switch (launch.action) {
    case Action::report:
        if (!launch.importPath.empty())
            return tavelin::ReportCommand::runImported(launch.importPath, launch.condensed,
                                                       progress, std::cout, std::cerr);
        return tavelin::ReportCommand::run(launch.commandPath, launch.condensed, progress,
                                           std::cout, std::cerr);
    case Action::suggest:
        return tavelin::SuggestCommand::run(launch.commandPath, launch.goal, launch.json, progress,
                                            std::cout, std::cerr);
    case Action::apply:
        return tavelin::ApplyCommand::run(launch,
                                          {.ask = ::isatty(STDIN_FILENO) && ::isatty(STDOUT_FILENO),
                                           .showProgress = progress,
                                           .answers = std::cin,
                                           .output = std::cout,
                                           .errors = std::cerr});
    case Action::undo:
        return tavelin::UndoCommand::undo(journal, launch.undoId, std::cout, std::cerr);
    case Action::undoList:
        return tavelin::UndoCommand::list(journal, std::cout);
    default:
        return 2;
    }
}

} // namespace

int main(int argc, char* argv[]) {
    using tavelin::LaunchOptions;
    // The raw arguments, which Qt has stripped of its own: decoding them could change a path.
    auto launch = LaunchOptions::parse(std::vector<std::string>(argv, argv + argc));
    switch (launch.action) {
    case LaunchOptions::Action::error:
        std::cerr << launch.error << '\n';
        return 2;
    case LaunchOptions::Action::help:
        std::cout << LaunchOptions::usage();
        return 0;
    case LaunchOptions::Action::version:
        std::cout << "Tavelin " TAVELIN_VERSION "\n";
        return 0;
    case LaunchOptions::Action::report:
    case LaunchOptions::Action::suggest:
    case LaunchOptions::Action::apply:
    case LaunchOptions::Action::undo:
    case LaunchOptions::Action::undoList: {
        QCoreApplication application(argc, argv);
        // The same settings as the window's: the commands honour its excluded folders.
        QCoreApplication::setApplicationName(QStringLiteral("Tavelin"));
        QCoreApplication::setOrganizationName(QStringLiteral("Tavelin"));
        tavelin::installNumberLocale();
        return runCommand(launch);
    }
    case LaunchOptions::Action::exportScan:
        std::cout.flush();
        return tavelin::ExportCommand::run(launch.exportPath, launch.outputPath, std::cerr);
    case LaunchOptions::Action::openWindow:
        break;
    }
    std::error_code error;
    launch.anchorScanPath(std::filesystem::current_path(error).string());
    // A folder that cannot be scanned is said here, where the person who typed it looks.
    if (!launch.scanPath.empty() && !launch.demo)
        if (auto problem = tavelin::folderProblem(
                tavelin::expandedHome(launch.scanPath, tavelin::Privacy::userHome()))) {
            std::cerr << "tavelin: " << *problem << '\n';
            return 1;
        }

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tavelin"));
    QApplication::setOrganizationName(QStringLiteral("Tavelin"));
    QApplication::setDesktopFileName(QStringLiteral("tavelin"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("tavelin")));
    tavelin::installNumberLocale();

    std::optional<tavelin::DemonstrationSettings> demonstration;
    if (launch.demo)
        demonstration.emplace();
    std::optional<tavelin::SingleInstance> instance;
    if (launch.handsOver()) {
        QString name = tavelin::SingleInstance::defaultName();
        if (tavelin::SingleInstance::handOver(name, launch.scanPath))
            return 0;
        instance.emplace(name);
    }
    tavelin::SandboxAccess::restore();
    // Earlier versions left what they kept readable by every user of the computer.
    tavelin::platform::makeTreePrivate(tavelin::dataFolder());
    tavelin::TavelinApp tavelin(tavelin::TavelinApp::Services::live(launch), launch.scanPath);
    if (instance)
        QObject::connect(&*instance, &tavelin::SingleInstance::windowRequested, &tavelin,
                         [&tavelin](const std::string& path) { tavelin.newMainWindow(path); });
    tavelin::MainWindow& window = tavelin.openMainWindow();
    if (!launch.importPath.empty())
        window.model().openScanFile(launch.importPath);
    return QApplication::exec();
}
