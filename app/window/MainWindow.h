#pragma once

#include <QMainWindow>
#include <QPointer>
#include <memory>
#include <string>

namespace tavelin {

class AccessSheet;
class AppModel;
class DetailDialogs;
class DetailToolbar;
class DetailView;
class TavelinCommands;

// One main window: the sidebar beside the detail column, the toolbar and the menus, all over
// the window's own model.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // `launchPath` is scanned the first time the window shows, when it is a folder.
    MainWindow(std::unique_ptr<AppModel> model, std::string launchPath, QWidget* parent = nullptr);
    ~MainWindow() override;

    AppModel& model() const { return *model_; }
    TavelinCommands& commands() const { return *commands_; }
    const DetailView& detail() const { return *detail_; }
    const DetailDialogs& dialogs() const { return *dialogs_; }
    // The open access sheet, or nothing.
    AccessSheet* accessSheet() const;
    DetailToolbar& toolbar() const { return *toolbar_; }

    // The size a new window opens at: 1480 × 900, or less on a screen whose available area is
    // smaller, leaving room for the window's title bar.
    static QSize openingSize(const QRect& available);

protected:
    void showEvent(QShowEvent* event) override;
    // Coming back to the window, the Trash may have been emptied elsewhere meanwhile.
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void explainSharing();
    void askForAccess();

    std::unique_ptr<AppModel> model_;
    std::string launchPath_;
    TavelinCommands* commands_;
    DetailToolbar* toolbar_;
    DetailView* detail_;
    DetailDialogs* dialogs_;
    QPointer<AccessSheet> accessSheet_;
};

} // namespace tavelin
