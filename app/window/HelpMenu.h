#pragma once

// What the Help menu opens: the window listing every keyboard shortcut, the manual page (in the
// desktop's help viewer where one is installed, else in a window of Tavelin's own) and the
// About box.

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QMainWindow;
class QWidget;

namespace tavelin::HelpMenu {

void showShortcuts(QMainWindow& window);
void openManual(QWidget* parent);
void showAbout(QWidget* parent);

// The About box's text: name, version, licence and home page, as rich text.
QString aboutText();

// The command that shows the installed manual page in the desktop's help viewer (GNOME's, then
// KDE's, found by `findExecutable`, a path or empty); nothing when the page is not installed
// (`installed` false) or no viewer is.
std::optional<QStringList>
manualViewerCommand(bool installed, const std::function<QString(const QString&)>& findExecutable);

} // namespace tavelin::HelpMenu
