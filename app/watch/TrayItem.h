#pragma once

// The startup disk's free space in the desktop's system tray: the figure drawn into the icon,
// the sentence as the tooltip, and the free-space panel on a click. Only made where the desktop
// has a tray.

#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>
#include <memory>

namespace tavelin {

class DiskWatch;
class FreeSpacePanel;

class TrayItem : public QObject {
    Q_OBJECT
public:
    explicit TrayItem(DiskWatch& watch, QObject* parent = nullptr);
    ~TrayItem() override;

    FreeSpacePanel& panel() const { return *panel_; }

Q_SIGNALS:
    void openRequested();
    void historyRequested();
    void quitRequested();

private:
    void update();
    void activated(QSystemTrayIcon::ActivationReason reason);
    void showPanel();

    DiskWatch& watch_;
    std::unique_ptr<FreeSpacePanel> panel_;
    QMenu menu_;
    QSystemTrayIcon icon_;
};

} // namespace tavelin
