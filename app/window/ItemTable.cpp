#include "window/ItemTable.h"

#include "items/InfoPopover.h"
#include "items/ItemMenu.h"
#include "model/AppModel.h"
#include "widgets/SymbolIcons.h"
#include "window/ItemTableModel.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <algorithm>

namespace tavelin {
namespace {

constexpr int kInfoButtonWidth = 22;
constexpr int kNoteGap = 8;

QRect infoButtonArea(const QRect& cell) {
    return QRect(cell.right() - kInfoButtonWidth + 1, cell.top(), kInfoButtonWidth, cell.height());
}

// Draws after the name: its note ("Couldn’t be read"), the cloud mark of a synced item and the
// info button, in that order.
class NameDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QString note = index.data(ItemTableModel::noteRole).toString();
        int button = index.data(ItemTableModel::infoRole).toBool() ? kInfoButtonWidth : 0;
        int cloud = index.data(ItemTableModel::cloudRole).toBool() ? kInfoButtonWidth : 0;
        int noteWidth =
            note.isEmpty() ? 0 : option.fontMetrics.horizontalAdvance(note) + 2 * kNoteGap;
        QStyleOptionViewItem name = option;
        name.rect.setRight(option.rect.right() - button - cloud - noteWidth);
        QStyledItemDelegate::paint(painter, name, index);
        painter->save();
        if (button > 0)
            symbolIcon("info.circle")
                .paint(painter, infoButtonArea(option.rect).adjusted(3, 2, -3, -2),
                       Qt::AlignCenter);
        if (cloud > 0)
            symbolIcon("icloud").paint(
                painter, infoButtonArea(option.rect).translated(-button, 0).adjusted(3, 2, -3, -2),
                Qt::AlignCenter);
        if (noteWidth > 0) {
            QRect area(name.rect.right() + 1, option.rect.top(), noteWidth, option.rect.height());
            bool selected = option.state & QStyle::State_Selected;
            painter->setPen(option.palette.color(selected ? QPalette::HighlightedText
                                                          : QPalette::PlaceholderText));
            painter->drawText(area.adjusted(kNoteGap, 0, -kNoteGap, 0),
                              Qt::AlignRight | Qt::AlignVCenter, note);
        }
        painter->restore();
    }
};

// Long locations keep the top folder and the one the item is in.
class LocationDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->textElideMode = Qt::ElideMiddle;
    }
};

} // namespace

ItemTable::ItemTable(AppModel& model, QWidget* parent)
    : QTreeView(parent)
    , model_(model)
    , items_(new ItemTableModel(model, this)) {
    setModel(items_);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setAlternatingRowColors(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    setItemDelegateForColumn(ItemTableModel::nameColumn, new NameDelegate(this));
    setItemDelegateForColumn(ItemTableModel::locationColumn, new LocationDelegate(this));
    header()->setSectionsClickable(true);
    header()->setSortIndicatorShown(true);
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(ItemTableModel::nameColumn, QHeaderView::Stretch);
    header()->setMinimumSectionSize(60);
    for (int column = ItemTableModel::sizeColumn; column < ItemTableModel::columnCountTotal;
         ++column)
        header()->resizeSection(column,
                                std::max(header()->sectionSizeHint(column),
                                         column == ItemTableModel::modifiedColumn ? 150 : 90));
    header()->resizeSection(ItemTableModel::locationColumn, 220);
    // Search results tell which folder they lie in, right after their names.
    header()->moveSection(header()->visualIndex(ItemTableModel::locationColumn),
                          ItemTableModel::nameColumn + 1);
    showLocation();
    connect(&model_, &AppModel::searchTextChanged, this, &ItemTable::showLocation);

    connect(header(), &QHeaderView::sectionClicked, this, &ItemTable::sortBy);
    connect(&model_, &AppModel::sortOrderChanged, this, &ItemTable::showSortIndicator);
    connect(&model_, &AppModel::measureChanged, this, &ItemTable::showSortIndicator);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &ItemTable::selectionToModel);
    connect(&model_, &AppModel::selectionChanged, this, [this] { selectFromModel(true); });
    connect(items_, &QAbstractItemModel::modelAboutToBeReset, this, &ItemTable::rememberPosition);
    connect(items_, &QAbstractItemModel::modelReset, this, &ItemTable::restorePosition);
    connect(items_, &QAbstractItemModel::layoutChanged, this, [this] { selectFromModel(false); });
    connect(this, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) { model_.activate(nodeAt(index)); });
    showSortIndicator();
    selectFromModel(false);
}

InfoPopover* ItemTable::infoPopover() const {
    return popover_;
}

Node::Ptr ItemTable::nodeAt(const QModelIndex& index) const {
    if (!index.isValid() || index.row() >= static_cast<int>(items_->nodes().size()))
        return nullptr;
    return items_->nodes()[static_cast<size_t>(index.row())];
}

void ItemTable::showLocation() {
    header()->setSectionHidden(ItemTableModel::locationColumn, !model_.showsSearch());
}

void ItemTable::sortBy(int column) {
    SortKey key = ItemTableModel::sortKey(column, model_.measure());
    const auto& order = model_.sortOrder();
    // Texts start from A, figures from the largest; a second click on the same column flips.
    bool ascending = key == SortKey::name || key == SortKey::location;
    if (!order.empty() && order.front().key == key)
        ascending = !order.front().ascending;
    model_.setSortOrder({SortComparator{key, ascending}});
    showSortIndicator();
}

void ItemTable::showSortIndicator() {
    const auto& order = model_.sortOrder();
    if (order.empty()) {
        header()->setSortIndicator(-1, Qt::DescendingOrder);
        return;
    }
    header()->setSortIndicator(ItemTableModel::columnOf(order.front().key, model_.measure()),
                               order.front().ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void ItemTable::selectionToModel() {
    if (syncing_)
        return;
    NodeSet selected;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        if (Node::Ptr node = nodeAt(index))
            selected.insert(std::move(node));
    syncing_ = true;
    model_.setSelection(std::move(selected));
    syncing_ = false;
}

void ItemTable::selectFromModel(bool reveal) {
    if (syncing_)
        return;
    const NodeSet& wanted = model_.selection();
    QItemSelection selection;
    int first = -1;
    const auto& nodes = items_->nodes();
    for (size_t row = 0; row < nodes.size(); ++row) {
        if (!wanted.contains(nodes[row]))
            continue;
        int at = static_cast<int>(row);
        selection.select(items_->index(at, 0),
                         items_->index(at, ItemTableModel::columnCountTotal - 1));
        if (first < 0)
            first = at;
    }
    syncing_ = true;
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    if (reveal && first >= 0) {
        selectionModel()->setCurrentIndex(items_->index(first, 0), QItemSelectionModel::NoUpdate);
        scrollTo(items_->index(first, 0));
    }
    syncing_ = false;
}

void ItemTable::rememberPosition() {
    scrollValue_ = verticalScrollBar()->value();
    currentNode_ = nodeAt(currentIndex());
}

void ItemTable::restorePosition() {
    selectFromModel(false);
    int row = items_->rowOf(currentNode_);
    currentNode_.reset();
    if (row >= 0) {
        syncing_ = true;
        selectionModel()->setCurrentIndex(items_->index(row, 0), QItemSelectionModel::NoUpdate);
        syncing_ = false;
    }
    // The rows are laid out lazily; lay them out now so the old position is in range.
    executeDelayedItemsLayout();
    verticalScrollBar()->setValue(scrollValue_);
}

void ItemTable::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        model_.activate(nodeAt(currentIndex()));
        return;
    case Qt::Key_Space:
        model_.previewSelection();
        return;
    case Qt::Key_Delete:
        // As in the file manager; the menu's Ctrl+Delete works from anywhere in the window.
        model_.askToTrash(model_.selectedNodes());
        return;
    default:
        QTreeView::keyPressEvent(event);
    }
}

void ItemTable::mouseReleaseEvent(QMouseEvent* event) {
    QPoint at = event->position().toPoint();
    QModelIndex index = indexAt(at);
    bool onInfoButton = index.column() == ItemTableModel::nameColumn &&
                        index.data(ItemTableModel::infoRole).toBool() &&
                        infoButtonArea(visualRect(index)).contains(at);
    QTreeView::mouseReleaseEvent(event);
    if (onInfoButton && event->button() == Qt::LeftButton)
        showInfo(index);
}

void ItemTable::showInfo(const QModelIndex& index) {
    if (popover_)
        popover_->close();
    popover_ = new InfoPopover(model_, nodeAt(index), this);
    popover_->showAt(viewport(), infoButtonArea(visualRect(index)));
}

void ItemTable::contextMenuEvent(QContextMenuEvent* event) {
    QModelIndex index =
        event->reason() == QContextMenuEvent::Mouse ? indexAt(event->pos()) : currentIndex();
    Node::Ptr clicked = nodeAt(index);
    if (!clicked)
        return;
    // A click outside the selection acts on the clicked row alone, and selects it.
    if (!model_.selection().contains(clicked))
        model_.setSelection({clicked});
    std::vector<Node::Ptr> nodes;
    for (const Node::Ptr& node : items_->nodes())
        if (model_.selection().contains(node))
            nodes.push_back(node);
    QMenu menu(this);
    ItemMenu::fill(menu, model_, nodes);
    if (!menu.isEmpty())
        menu.exec(event->globalPos());
}

} // namespace tavelin
