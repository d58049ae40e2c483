#include "LaunchOptions.h"
#include "NumberLocale.h"
#include "TavelinApp.h"

#include <QApplication>
#include <string>
#include <vector>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tavelin"));
    QApplication::setOrganizationName(QStringLiteral("Tavelin"));
    tavelin::installNumberLocale();

    // The raw arguments, which Qt has stripped of its own: decoding them could change a path.
    auto launch = tavelin::LaunchOptions::parse(std::vector<std::string>(argv, argv + argc));
    tavelin::TavelinApp tavelin(tavelin::TavelinApp::Services::live(), launch.scanPath);
    tavelin.openMainWindow();
    return QApplication::exec();
}
