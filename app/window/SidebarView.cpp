#include "window/SidebarView.h"

#include "model/AppModel.h"
#include "widgets/FolderChooser.h"
#include "widgets/SymbolIcons.h"
#include "window/LocationRow.h"

#include <QApplication>
#include <QHeaderView>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace tavelin {
namespace {

enum Role { kPathRole = Qt::UserRole + 1, kDetailRole, kFractionRole };

// Draws a location with its detail line and, for writable disks, a bar of the used share.
class LocationDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        if (index.data(kDetailRole).isValid())
            size.setHeight(size.height() + option.fontMetrics.height() + 8);
        return size;
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QVariant detail = index.data(kDetailRole);
        if (!detail.isValid()) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        // The selection covers the detail line too, as it covers the row's indentation.
        QStyleOptionViewItem whole = option;
        initStyleOption(&whole, index);
        const QWidget* view = option.widget;
        QStyle* style = view ? view->style() : QApplication::style();
        style->drawPrimitive(QStyle::PE_PanelItemViewItem, &whole, painter, view);
        QStyleOptionViewItem top = option;
        top.rect.setHeight(option.rect.height() - option.fontMetrics.height() - 8);
        QStyledItemDelegate::paint(painter, top, index);
        const bool selected = option.state.testFlag(QStyle::State_Selected);
        QRect below(option.rect.left() + 28, top.rect.bottom() + 1, option.rect.width() - 36,
                    option.fontMetrics.height());
        painter->save();
        QFont small = option.font;
        small.setPointSizeF(small.pointSizeF() * 0.85);
        painter->setFont(small);
        painter->setPen(
            option.palette.color(selected ? QPalette::HighlightedText : QPalette::PlaceholderText));
        painter->drawText(below, Qt::AlignLeft | Qt::AlignVCenter, detail.toString());
        QVariant fraction = index.data(kFractionRole);
        if (fraction.isValid()) {
            QRectF bar(below.left(), below.bottom() + 3, below.width(), 3);
            // On the selection's colour the used part takes the selected text's colour.
            QColor used =
                option.palette.color(selected ? QPalette::HighlightedText : QPalette::Highlight);
            QColor track = selected ? used : option.palette.color(QPalette::Mid);
            if (selected)
                track.setAlphaF(0.35f);
            painter->setPen(Qt::NoPen);
            painter->setBrush(track);
            painter->drawRoundedRect(bar, 1.5, 1.5);
            painter->setBrush(used);
            painter->drawRoundedRect(
                QRectF(bar.topLeft(), QSizeF(bar.width() * fraction.toDouble(), 3)), 1.5, 1.5);
        }
        painter->restore();
    }
};

QTreeWidgetItem* section(QTreeWidget* list, const QString& title) {
    auto* item = new QTreeWidgetItem(list, {title});
    item->setFlags(Qt::ItemIsEnabled);
    QFont font = item->font(0);
    font.setBold(true);
    item->setFont(0, font);
    item->setExpanded(true);
    return item;
}

void addRows(QTreeWidgetItem* parent, const std::vector<LocationRow>& rows) {
    for (const auto& row : rows) {
        auto* item = new QTreeWidgetItem(parent, {row.title});
        item->setIcon(0, row.icon);
        item->setData(0, kPathRole, QString::fromStdString(row.scanPath));
        item->setToolTip(0, QString::fromStdString(row.scanPath));
        if (row.detail)
            item->setData(0, kDetailRole, *row.detail);
        if (row.fraction)
            item->setData(0, kFractionRole, *row.fraction);
    }
}

} // namespace

SidebarView::SidebarView(AppModel& model, QWidget* parent)
    : QWidget(parent)
    , model_(model)
    , list_(new QTreeWidget(this)) {
    list_->setHeaderHidden(true);
    list_->setRootIsDecorated(false);
    list_->setItemDelegate(new LocationDelegate(list_));
    list_->setFrameShape(QFrame::NoFrame);
    auto* scanFolder =
        new QPushButton(symbolIcon("folder.badge.plus"), QStringLiteral("Scan Folder…"), this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 8);
    layout->addWidget(list_);
    layout->addWidget(scanFolder);

    connect(scanFolder, &QPushButton::clicked, this, [this] {
        if (auto folder = chooseFolder(window()))
            model_.scan(*folder);
    });
    connect(list_, &QTreeWidget::itemClicked, this, &SidebarView::chosen);
    connect(list_, &QTreeWidget::itemActivated, this, &SidebarView::chosen);
    connect(&model_, &AppModel::volumesChanged, this, &SidebarView::rebuild);
    connect(&model_, &AppModel::recentsChanged, this, &SidebarView::rebuild);
    connect(&model_, &AppModel::sidebarSelectionChanged, this, &SidebarView::highlight);
    rebuild();
}

QTreeWidget& SidebarView::list() const {
    return *list_;
}

void SidebarView::rebuild() {
    rebuilding_ = true;
    list_->clear();
    addRows(section(list_, QStringLiteral("Locations")), locationRows(model_));
    auto recents = recentRows(model_);
    if (!recents.empty())
        addRows(section(list_, QStringLiteral("Recent")), recents);
    list_->expandAll();
    rebuilding_ = false;
    highlight();
}

void SidebarView::highlight() {
    QString wanted =
        model_.sidebarSelection() ? QString::fromStdString(*model_.sidebarSelection()) : QString();
    rebuilding_ = true;
    list_->clearSelection();
    for (QTreeWidgetItemIterator it(list_); *it; ++it)
        if (!wanted.isEmpty() && (*it)->data(0, kPathRole).toString() == wanted) {
            list_->setCurrentItem(*it);
            break;
        }
    rebuilding_ = false;
}

void SidebarView::chosen(QTreeWidgetItem* item) {
    QVariant path = item ? item->data(0, kPathRole) : QVariant();
    if (rebuilding_ || !path.isValid())
        return;
    std::string chosenPath = path.toString().toStdString();
    // The location shown already stays as it is (a double click also clicks twice): Rescan is
    // the way to measure it again.
    if (model_.session() && model_.sidebarSelection() == chosenPath)
        return;
    model_.scan(chosenPath);
}

} // namespace tavelin
