#include "window/ItemTableModel.h"

#include "items/InfoButton.h"
#include "items/InfoPopover.h"
#include "widgets/SymbolIcons.h"
#include "widgets/Texts.h"
#include "window/ChangeCell.h"
#include "window/DateText.h"

#include <QLocale>
#include <cmath>
#include <unordered_map>

namespace tavelin {
namespace {

const QString kChangeHelp = QStringLiteral("Change since the previous scan of this location");

bool isUnreadableFolder(const Node& node) {
    return node.isDirectory() && node.isUnreadable;
}

QString shareText(int64_t part, int64_t whole) {
    if (whole <= 0 || part <= 0)
        return {};
    double percent = 100.0 * static_cast<double>(part) / static_cast<double>(whole);
    if (percent < 0.5)
        return QStringLiteral("< 1%");
    return QLocale().toString(std::lround(percent)) + QStringLiteral("%");
}

QString freedHelp(const Node& node) {
    if (node.shared() == 0)
        return QStringLiteral("Deleting frees all of it (once any local snapshot holding it "
                              "expires).");
    return bytesText(node.shared()) +
           QStringLiteral(" of it is shared with clones, so deleting frees ") +
           bytesText(node.unique) + QStringLiteral("…");
}

} // namespace

ItemTableModel::ItemTableModel(AppModel& model, QObject* parent)
    : QAbstractTableModel(parent)
    , model_(model) {
    for (auto signal :
         {&AppModel::versionChanged, &AppModel::currentChanged, &AppModel::searchTextChanged,
          &AppModel::sortOrderChanged, &AppModel::measureChanged})
        connect(&model_, signal, this, &ItemTableModel::refresh);
    connect(&model_.history(), &HistoryComparison::changed, this, &ItemTableModel::refresh);
    rows_ = model_.rows();
}

int ItemTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ItemTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : columnCountTotal;
}

int ItemTableModel::rowOf(const Node::Ptr& node) const {
    auto found = std::find(rows_.begin(), rows_.end(), node);
    return found == rows_.end() ? -1 : static_cast<int>(found - rows_.begin());
}

void ItemTableModel::refresh() {
    std::vector<Node::Ptr> next = model_.rows();
    if (next == rows_) {
        if (!rows_.empty())
            Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, columnCountTotal - 1));
        return;
    }
    std::unordered_map<const Node*, int> nextRows;
    for (size_t row = 0; row < next.size(); ++row)
        nextRows.emplace(next[row].get(), static_cast<int>(row));
    bool sameItems = next.size() == rows_.size() &&
                     std::all_of(rows_.begin(), rows_.end(), [&](const Node::Ptr& node) {
                         return nextRows.contains(node.get());
                     });
    if (!sameItems) {
        beginResetModel();
        rows_ = std::move(next);
        endResetModel();
        return;
    }
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    for (const QModelIndex& old : before)
        after << index(nextRows.at(rows_[static_cast<size_t>(old.row())].get()), old.column());
    rows_ = std::move(next);
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

QVariant ItemTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const Node& node = *rows_[static_cast<size_t>(index.row())];
    int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
        return display(node, column);
    case Qt::DecorationRole:
        if (column != nameColumn)
            return {};
        return isUnreadableFolder(node) ? symbolIcon("lock") : model_.icon(node);
    case Qt::ForegroundRole:
        if (column == changeColumn)
            if (auto cell = ChangeCell::of(model_.history().growth(node)))
                return cell->color;
        return {};
    case Qt::ToolTipRole:
        return toolTip(node, column);
    case Qt::TextAlignmentRole:
        if (column == nameColumn || column == locationColumn)
            return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    case noteRole:
        if (column == nameColumn && isUnreadableFolder(node))
            return QStringLiteral("Couldn’t be read");
        return {};
    case infoRole:
        return column == nameColumn && InfoPopover::explains(node);
    case cloudRole:
        return column == nameColumn && model_.cloudProvider(node) != nullptr;
    default:
        return {};
    }
}

QVariant ItemTableModel::display(const Node& node, int column) const {
    Measure measure = model_.measure();
    switch (column) {
    case nameColumn:
        return QString::fromStdString(node.name);
    case sizeColumn:
        return bytesText(node.value(measure));
    case uniqueColumn:
        return bytesText(node.unique);
    case apparentColumn:
        return bytesText(node.apparent);
    case shareColumn:
        return model_.current()
                   ? shareText(node.value(measure), model_.current()->displayValue(measure))
                   : QString();
    case changeColumn:
        if (auto cell = ChangeCell::of(model_.history().growth(node)))
            return cell->text;
        return {};
    case filesColumn:
        if (node.kind() == Node::Kind::remainder)
            return {};
        return countText(node.fileCount);
    case modifiedColumn:
        return DateText::abbreviated(node.modified);
    case locationColumn:
        return model_.location(node);
    default:
        return {};
    }
}

QString ItemTableModel::cloudHelp(const Node& node, const CloudProvider& provider) {
    QString name = QString::fromStdString(provider.name);
    return QStringLiteral("Synced with ") + name +
           linuxText(". Making it online-only frees up to %2 on this Mac and keeps it in %1; it "
                     "downloads again when opened. Deleting it here would delete it from %1 too.")
               .arg(name, bytesText(node.size));
}

QVariant ItemTableModel::toolTip(const Node& node, int column) const {
    if (column == nameColumn) {
        if (const CloudProvider* provider = model_.cloudProvider(node))
            return cloudHelp(node, *provider);
        return InfoButton::help(node);
    }
    if (column == uniqueColumn)
        return freedHelp(node);
    if (column == changeColumn && ChangeCell::of(model_.history().growth(node)))
        return kChangeHelp;
    if (column == locationColumn)
        return model_.location(node);
    return {};
}

QVariant ItemTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::ToolTipRole && section == changeColumn)
        return kChangeHelp;
    if (role != Qt::DisplayRole)
        return {};
    static const std::array<QString, columnCountTotal> kTitles{QStringLiteral("Name"),
                                                               QStringLiteral("Size"),
                                                               QStringLiteral("Freed by Deleting"),
                                                               QStringLiteral("Apparent Size"),
                                                               QStringLiteral("Share of Folder"),
                                                               QStringLiteral("Change"),
                                                               QStringLiteral("Files"),
                                                               QStringLiteral("Modified"),
                                                               QStringLiteral("Location")};
    return section >= 0 && section < columnCountTotal ? kTitles[static_cast<size_t>(section)]
                                                      : QVariant();
}

SortKey ItemTableModel::sortKey(int column, Measure measure) {
    switch (column) {
    case nameColumn:
        return SortKey::name;
    case uniqueColumn:
        return SortKey::unique;
    case apparentColumn:
        return SortKey::apparent;
    case changeColumn:
        return SortKey::change;
    case filesColumn:
        return SortKey::files;
    case modifiedColumn:
        return SortKey::modified;
    case locationColumn:
        return SortKey::location;
    default:
        return sortKeyOf(measure);
    }
}

int ItemTableModel::columnOf(SortKey key, Measure measure) {
    switch (key) {
    case SortKey::name:
        return nameColumn;
    case SortKey::size:
        return sizeColumn;
    case SortKey::unique:
        return measure == Measure::unique ? sizeColumn : uniqueColumn;
    case SortKey::apparent:
        return measure == Measure::apparent ? sizeColumn : apparentColumn;
    case SortKey::change:
        return changeColumn;
    case SortKey::files:
        return filesColumn;
    case SortKey::modified:
        return modifiedColumn;
    case SortKey::location:
        return locationColumn;
    }
    return sizeColumn;
}

} // namespace tavelin
