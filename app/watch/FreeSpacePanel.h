#pragma once

#include <QFrame>

class QLabel;
class QVBoxLayout;

namespace tavelin {

class DiskWatch;

// The tray item's popup: every writable disk with its free space and a gauge of the used share,
// a line when the startup disk runs low, the way to the free-space history, and buttons to open
// Tavelin or quit. Reads the disks again whenever it is shown.
class FreeSpacePanel : public QFrame {
    Q_OBJECT
public:
    static constexpr int kWidth = 300;
    static constexpr int kPadding = 14;

    explicit FreeSpacePanel(DiskWatch& watch, QWidget* parent = nullptr);

Q_SIGNALS:
    void openRequested();
    void historyRequested();
    void quitRequested();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void rebuild();

    DiskWatch& watch_;
    QVBoxLayout* rows_;
    QLabel* lowLine_;
};

} // namespace tavelin
