#include "AppModel.h"
#include "LaunchOptions.h"
#include "NumberLocale.h"
#include "window/MainWindow.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tavelin"));
    QApplication::setOrganizationName(QStringLiteral("Tavelin"));
    tavelin::installNumberLocale();

    auto launch = tavelin::LaunchOptions::parse(QApplication::arguments());
    tavelin::MainWindow window(std::make_unique<tavelin::AppModel>(tavelin::AppEnvironment::live()),
                               launch.scanPath);
    window.show();
    return QApplication::exec();
}
