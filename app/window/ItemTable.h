#pragma once

// The table of the shown folder's items (or of the search results) under the map. Its
// selection is the model's selection, both ways; a click on a header sets the model's sort
// order and the rows come back sorted. Double-click or Return opens an item, Space previews it,
// the context menu is the shared item menu, and an info button opens an item's popover.

#include "scan/Node.h"

#include <QPointer>
#include <QTreeView>

namespace tavelin {

class AppModel;
class InfoPopover;
class ItemTableModel;

class ItemTable : public QTreeView {
    Q_OBJECT
public:
    explicit ItemTable(AppModel& model, QWidget* parent = nullptr);

    ItemTableModel& items() const { return *items_; }
    InfoPopover* infoPopover() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    Node::Ptr nodeAt(const QModelIndex& index) const;
    void showLocation();
    void sortBy(int column);
    void showSortIndicator();
    void selectionToModel();
    void selectFromModel(bool reveal);
    void showInfo(const QModelIndex& index);
    void rememberPosition();
    void restorePosition();

    AppModel& model_;
    ItemTableModel* items_;
    // Set while the table and the model's selection are being brought in line, so neither
    // side's change echoes back.
    bool syncing_ = false;
    int scrollValue_ = 0;
    Node::Ptr currentNode_;
    QPointer<InfoPopover> popover_;
};

} // namespace tavelin
