#pragma once

// Every keyboard shortcut of a main window: those of its menus, read from the menu bar so the
// list never falls behind them, then the keys the table and the search field take.

#include <QDialog>
#include <QString>
#include <vector>

class QMenuBar;

namespace tavelin {

class ShortcutsWindow : public QDialog {
    Q_OBJECT
public:
    struct Row {
        QString group; // the menu, or where the keys work
        QString title;
        QString keys; // in the desktop's notation, alternatives joined by ", "
    };

    explicit ShortcutsWindow(const QMenuBar& menus, QWidget* parent = nullptr);

    static std::vector<Row> rows(const QMenuBar& menus);
};

} // namespace tavelin
