#include "LaunchOptions.h"
#include "NumberLocale.h"
#include "TavelinApp.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tavelin"));
    QApplication::setOrganizationName(QStringLiteral("Tavelin"));
    tavelin::installNumberLocale();

    auto launch = tavelin::LaunchOptions::parse(QApplication::arguments());
    tavelin::TavelinApp tavelin(tavelin::TavelinApp::Services::live(), launch.scanPath);
    tavelin.openMainWindow();
    return QApplication::exec();
}
