#include "LaunchOptions.h"
#include "NumberLocale.h"
#include "ReportCommand.h"
#include "TavelinApp.h"

#include <QApplication>
#include <iostream>
#include <string>
#include <unistd.h>
#include <vector>

int main(int argc, char* argv[]) {
    // The raw arguments, which Qt has stripped of its own: decoding them could change a path.
    auto launch = tavelin::LaunchOptions::parse(std::vector<std::string>(argv, argv + argc));
    if (!launch.reportPath.empty()) {
        QCoreApplication application(argc, argv);
        tavelin::installNumberLocale();
        return tavelin::ReportCommand::run(launch.reportPath, launch.condensed,
                                           ::isatty(STDERR_FILENO), std::cout, std::cerr);
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tavelin"));
    QApplication::setOrganizationName(QStringLiteral("Tavelin"));
    tavelin::installNumberLocale();

    tavelin::TavelinApp tavelin(tavelin::TavelinApp::Services::live(), launch.scanPath);
    tavelin.openMainWindow();
    return QApplication::exec();
}
