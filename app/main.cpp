#include "AppModel.h"
#include "LaunchOptions.h"
#include "NumberLocale.h"
#include "window/MainWindow.h"

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
    tavelin::MainWindow window(
        std::make_unique<tavelin::AppModel>(tavelin::AppModel::Environment::live()),
        launch.scanPath);
    window.show();
    return QApplication::exec();
}
