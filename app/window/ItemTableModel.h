#pragma once

// The rows of the item table: the model's `rows()` in the model's order, in eight columns and
// a ninth, the folder each row lies in, that the table shows only for search results.
// Refreshes whenever the shown items or their figures may have changed; when the same items
// come back it reports changed data or a new order rather than a reset, so views keep their
// selection and scroll position through the refreshes of a running scan.

#include "model/AppModel.h"

#include <QAbstractTableModel>
#include <optional>
#include <vector>

namespace tavelin {

class ItemTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column {
        nameColumn,
        sizeColumn,
        uniqueColumn,
        apparentColumn,
        shareColumn,
        changeColumn,
        filesColumn,
        modifiedColumn,
        locationColumn,
        columnCountTotal
    };
    // A note shown after the name, such as "Couldn’t be read" (a QString).
    static constexpr int noteRole = Qt::UserRole;
    // Whether the name cell carries an info button that opens the item's popover (a bool).
    static constexpr int infoRole = Qt::UserRole + 1;
    // Whether the item is kept in a cloud provider's folder, which the name cell marks (a bool).
    static constexpr int cloudRole = Qt::UserRole + 2;

    // The cloud cell's help: the provider keeps the item, and deleting it here deletes it there.
    static QString cloudHelp(const Node& node, const CloudProvider& provider);

    explicit ItemTableModel(AppModel& model, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    const std::vector<Node::Ptr>& nodes() const { return rows_; }
    // The row showing the node, or -1.
    int rowOf(const Node::Ptr& node) const;

    // What a click on a column header sorts by: the size and share columns follow the measure.
    static SortKey sortKey(int column, Measure measure);
    // The column whose header shows a sort key.
    static int columnOf(SortKey key, Measure measure);

private:
    void refresh();
    QVariant display(const Node& node, int column) const;
    QVariant toolTip(const Node& node, int column) const;

    AppModel& model_;
    std::vector<Node::Ptr> rows_;
};

} // namespace tavelin
