#include "window/KindsPane.h"

#include "model/AppModel.h"
#include "widgets/SymbolIcons.h"
#include "widgets/Texts.h"
#include "window/PaneMessage.h"

#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <set>

namespace tavelin {
namespace {

// Draws a kind's share of the total as a bar.
class ShareBarDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QVariant fraction = index.data(KindsPane::fractionRole);
        if (!fraction.isValid())
            return;
        QRectF track =
            QRectF(option.rect)
                .adjusted(2, option.rect.height() / 2.0 - 3, -2, -(option.rect.height() / 2.0 - 3));
        QRectF filled = track;
        filled.setWidth(track.width() * std::clamp(fraction.toDouble(), 0.0, 1.0));
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(Qt::NoPen);
        painter->setBrush(option.palette.color(QPalette::Midlight));
        painter->drawRoundedRect(track, 3, 3);
        painter->setBrush(option.palette.color(QPalette::Highlight));
        painter->drawRoundedRect(filled, 3, 3);
        painter->restore();
    }
};

QLabel* note(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setForegroundRole(QPalette::PlaceholderText);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 0.85);
    label->setFont(font);
    return label;
}

void resizeChildren(QTreeWidgetItem* parent, size_t count) {
    while (static_cast<size_t>(parent->childCount()) > count)
        delete parent->takeChild(parent->childCount() - 1);
    while (static_cast<size_t>(parent->childCount()) < count)
        parent->addChild(new QTreeWidgetItem);
}

} // namespace

KindsPane::KindsPane(AppModel& model, QWidget* parent)
    : QWidget(parent)
    , model_(model)
    , message_(new PaneMessage(this))
    , totals_(new QWidget(this))
    , heading_(new QLabel(totals_))
    , tree_(new QTreeWidget(totals_)) {
    QFont headingFont = heading_->font();
    headingFont.setBold(true);
    heading_->setFont(headingFont);
    tree_->setColumnCount(columnCountTotal);
    tree_->setHeaderHidden(true);
    tree_->setUniformRowHeights(true);
    tree_->setItemDelegateForColumn(shareColumn, new ShareBarDelegate(tree_));
    tree_->header()->setStretchLastSection(false);
    tree_->header()->setSectionResizeMode(nameColumn, QHeaderView::Stretch);
    tree_->header()->setSectionResizeMode(shareColumn, QHeaderView::Fixed);
    tree_->header()->resizeSection(shareColumn, 70);
    for (int column : {bytesColumn, filesColumn})
        tree_->header()->setSectionResizeMode(column, QHeaderView::ResizeToContents);

    auto* totalsLayout = new QVBoxLayout(totals_);
    totalsLayout->setContentsMargins(0, 0, 0, 0);
    totalsLayout->addWidget(heading_);
    totalsLayout->addWidget(tree_, 1);
    totalsLayout->addWidget(note(
        QStringLiteral("For the whole scan. Rescans and live updates don’t change it."), totals_));
    totalsLayout->addWidget(
        note(QStringLiteral("“Other” is files without a known type, such as app data and caches."),
             totals_));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(message_);
    layout->addWidget(totals_);

    for (auto signal : {&AppModel::sessionChanged, &AppModel::versionChanged,
                        &AppModel::isScanningChanged, &AppModel::measureChanged})
        connect(&model_, signal, this, &KindsPane::refresh);
    refresh();
}

void KindsPane::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (stale_)
        fill();
}

void KindsPane::refresh() {
    stale_ = true;
    if (isVisible())
        fill();
}

void KindsPane::fill() {
    stale_ = false;
    std::vector<KindTotal> kinds = model_.kindTotals();
    message_->setVisible(kinds.empty());
    totals_->setVisible(!kinds.empty());
    message_->set(
        model_.isScanning() ? QStringLiteral("Scanning…") : QStringLiteral("Nothing Scanned"),
        "square.stack.3d.up", QStringLiteral("Space by kind of file shows here as the scan goes."));
    if (kinds.empty())
        return;
    int64_t total = 0;
    for (const KindTotal& kind : kinds)
        total += kind.bytes;
    heading_->setText(bytesText(total) + QStringLiteral(" by kind of file"));
    fillTree(kinds, total);
}

// Updates the rows in place, so the scroll position survives; an expanded kind stays expanded
// wherever it moves.
void KindsPane::fillTree(const std::vector<KindTotal>& kinds, int64_t total) {
    std::set<QString> expanded;
    for (int at = 0; at < tree_->topLevelItemCount(); ++at)
        if (tree_->topLevelItem(at)->isExpanded())
            expanded.insert(tree_->topLevelItem(at)->text(nameColumn));
    resizeChildren(tree_->invisibleRootItem(), kinds.size());
    for (size_t at = 0; at < kinds.size(); ++at) {
        const KindTotal& kind = kinds[at];
        QTreeWidgetItem* row = tree_->topLevelItem(static_cast<int>(at));
        row->setIcon(nameColumn, symbolIcon(kind.symbol.toUtf8().constData()));
        row->setText(nameColumn, kind.name);
        row->setData(shareColumn, fractionRole,
                     total > 0 ? static_cast<double>(kind.bytes) / static_cast<double>(total)
                               : 0.0);
        row->setText(bytesColumn, bytesText(kind.bytes));
        row->setTextAlignment(bytesColumn, Qt::AlignRight | Qt::AlignVCenter);
        resizeChildren(row, kind.extensions.size());
        for (size_t index = 0; index < kind.extensions.size(); ++index) {
            const KindTotal::Extension& extension = kind.extensions[index];
            QTreeWidgetItem* line = row->child(static_cast<int>(index));
            line->setText(nameColumn, extension.ext);
            line->setText(bytesColumn, bytesText(extension.bytes));
            line->setText(filesColumn, countedText(extension.files, "file"));
            line->setTextAlignment(bytesColumn, Qt::AlignRight | Qt::AlignVCenter);
            line->setTextAlignment(filesColumn, Qt::AlignRight | Qt::AlignVCenter);
        }
        row->setExpanded(expanded.contains(kind.name));
    }
}

QString KindsPane::heading() const {
    return heading_->text();
}

} // namespace tavelin
