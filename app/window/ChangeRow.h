#pragma once

// One line of the changes pane: what grew or shrank, where it lies, by how much and from what
// to what. Double-click, Return or its menu's "Show in Map" show the item in the map.

#include "history/Change.h"

#include <QWidget>

class QMenu;

namespace tavelin {

class AppModel;

class ChangeRow : public QWidget {
    Q_OBJECT
public:
    // `stillThere`: whether the current tree still has the changed item.
    ChangeRow(AppModel& model, Change change, bool stillThere, QWidget* parent = nullptr);

    const Change& change() const { return change_; }
    QMenu* menu() const { return menu_; }

    // The line under the delta: "New", "Now under 10 MB", "Gone", or before → after.
    static QString detailText(const Change& change, bool stillThere);
    static const char* symbolOf(const Change& change);

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void showInMap();

    AppModel& model_;
    Change change_;
    QMenu* menu_;
};

} // namespace tavelin
