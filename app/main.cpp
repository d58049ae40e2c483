#include "LaunchOptions.h"
#include "NumberLocale.h"
#include "window/MainWindow.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tavelin"));
    QApplication::setOrganizationName(QStringLiteral("Tavelin"));
    tavelin::installNumberLocale();

    tavelin::MainWindow window(tavelin::LaunchOptions::parse(QApplication::arguments()));
    window.show();
    return QApplication::exec();
}
