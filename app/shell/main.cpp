#include "model/DataFolder.h"
#include "platform/PrivateFiles.h"
#include "shell/DemonstrationSettings.h"
#include "shell/ExportCommand.h"
#include "shell/LaunchOptions.h"
#include "shell/ReportCommand.h"
#include "shell/SingleInstance.h"
#include "shell/TavelinApp.h"
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
    case LaunchOptions::Action::report: {
        QCoreApplication application(argc, argv);
        tavelin::installNumberLocale();
        bool progress = ::isatty(STDERR_FILENO);
        if (!launch.importPath.empty())
            return tavelin::ReportCommand::runImported(launch.importPath, launch.condensed,
                                                       progress, std::cout, std::cerr);
        return tavelin::ReportCommand::run(launch.reportPath, launch.condensed, progress, std::cout,
                                           std::cerr);
    }
    case LaunchOptions::Action::exportScan:
        std::cout.flush();
        return tavelin::ExportCommand::run(launch.exportPath, launch.outputPath, std::cerr);
    case LaunchOptions::Action::openWindow:
        break;
    }
    std::error_code error;
    launch.anchorScanPath(std::filesystem::current_path(error).string());

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
