#include "window/HelpMenu.h"

#include "window/ManualPage.h"
#include "window/ShortcutsWindow.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QMainWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace tavelin::HelpMenu {
namespace {

const char* const kHomePage = "https://github.com/tavelin/tavelin";

// A window of the parent's that deletes itself once closed, and is not modal.
void showOwn(QDialog* dialog) {
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

} // namespace

void showShortcuts(QMainWindow& window) {
    showOwn(new ShortcutsWindow(*window.menuBar(), &window));
}

std::optional<QStringList>
manualViewerCommand(bool installed, const std::function<QString(const QString&)>& findExecutable) {
    if (!installed)
        return std::nullopt;
    for (const char* viewer : {"yelp", "khelpcenter"})
        if (QString program = findExecutable(QLatin1String(viewer)); !program.isEmpty())
            return QStringList{program, QStringLiteral("man:tavelin")};
    return std::nullopt;
}

void openManual(QWidget* parent) {
    auto command = manualViewerCommand(ManualPage::isInstalled(), [](const QString& name) {
        return QStandardPaths::findExecutable(name);
    });
    if (command && QProcess::startDetached(command->front(), command->mid(1)))
        return;
    auto* window = new QDialog(parent);
    window->setWindowTitle(QStringLiteral("Tavelin Manual"));
    auto* text = new QTextBrowser(window);
    text->setHtml(ManualPage::html(ManualPage::source()));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, window);
    QObject::connect(buttons, &QDialogButtonBox::rejected, window, &QDialog::reject);
    auto* layout = new QVBoxLayout(window);
    layout->addWidget(text);
    layout->addWidget(buttons);
    window->resize(640, 600);
    showOwn(window);
}

QString aboutText() {
    return QStringLiteral("<h3>Tavelin %1</h3>"
                          "<p>See where the space on a disk goes and get it back.</p>"
                          "<p>Licence: proprietary. All rights reserved.</p>"
                          "<p><a href=\"%2\">%2</a></p>")
        .arg(QStringLiteral(TAVELIN_VERSION), QLatin1String(kHomePage));
}

void showAbout(QWidget* parent) {
    QMessageBox::about(parent, QStringLiteral("About Tavelin"), aboutText());
}

} // namespace tavelin::HelpMenu
