#include "window/ChangeRow.h"

#include "model/AppModel.h"
#include "util/Paths.h"
#include "widgets/SymbolIcons.h"
#include "widgets/Texts.h"
#include "window/ChangeCell.h"
#include "window/ElidedLabel.h"

#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QStyleOption>
#include <QStylePainter>
#include <QVBoxLayout>

namespace tavelin {
namespace {

constexpr int kSymbolSize = 20;

QPixmap tinted(const QIcon& icon, const QColor& color, int size) {
    QPixmap pixmap = icon.pixmap(size, size);
    QPainter painter(&pixmap);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(pixmap.rect(), color);
    return pixmap;
}

void makeCaption(QLabel* label) {
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 0.85);
    label->setFont(font);
    label->setForegroundRole(QPalette::PlaceholderText);
}

} // namespace

ChangeRow::ChangeRow(AppModel& model, Change change, bool stillThere, QWidget* parent)
    : QWidget(parent)
    , model_(model)
    , change_(std::move(change))
    , menu_(new QMenu(this)) {
    setFocusPolicy(Qt::StrongFocus);
    setToolTip(QString::fromStdString(change_.path));
    int64_t delta = change_.delta();

    auto* symbol = new QLabel(this);
    symbol->setPixmap(
        tinted(symbolIcon(symbolOf(change_)), ChangeCell::colorOf(delta), kSymbolSize));

    std::string folder = parentPath(change_.path);
    auto* name = new QLabel(QString::fromStdString(change_.name()), this);
    // Paths read best from their end.
    auto* where =
        new ElidedLabel(folder.empty() ? QStringLiteral("\u2014") : QString::fromStdString(folder),
                        Qt::ElideLeft, this);
    makeCaption(where);

    auto* amount = new QLabel(ChangeCell::signedBytes(delta), this);
    QPalette palette = amount->palette();
    palette.setColor(QPalette::WindowText, ChangeCell::colorOf(delta));
    amount->setPalette(palette);
    auto* detail = new QLabel(detailText(change_, stillThere), this);
    makeCaption(detail);

    auto* leading = new QVBoxLayout;
    leading->addWidget(name);
    leading->addWidget(where);
    auto* trailing = new QVBoxLayout;
    for (QLabel* label : {amount, detail}) {
        label->setAlignment(Qt::AlignRight);
        trailing->addWidget(label);
    }
    auto* row = new QHBoxLayout(this);
    row->setSpacing(8);
    row->addWidget(symbol);
    row->addLayout(leading, 1);
    row->addLayout(trailing);

    connect(menu_->addAction(QStringLiteral("Show in Map")), &QAction::triggered, this,
            &ChangeRow::showInMap);
}

const char* ChangeRow::symbolOf(const Change& change) {
    if (!change.before)
        return "plus.circle.fill";
    if (!change.after)
        return "minus.circle.fill";
    return change.delta() <= 0 ? "arrow.down.circle.fill" : "arrow.up.circle.fill";
}

QString ChangeRow::detailText(const Change& change, bool stillThere) {
    if (!change.before)
        return QStringLiteral("New");
    if (!change.after)
        return stillThere ? QStringLiteral("Now under 10 MB") : QStringLiteral("Gone");
    return bytesText(*change.before) + QStringLiteral(" → ") + bytesText(*change.after);
}

void ChangeRow::showInMap() {
    model_.show(change_.path);
}

void ChangeRow::mouseDoubleClickEvent(QMouseEvent*) {
    showInMap();
}

void ChangeRow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        showInMap();
    else
        QWidget::keyPressEvent(event);
}

void ChangeRow::contextMenuEvent(QContextMenuEvent* event) {
    menu_->popup(event->globalPos());
}

void ChangeRow::paintEvent(QPaintEvent*) {
    if (!hasFocus())
        return;
    QStylePainter painter(this);
    QStyleOptionFocusRect option;
    option.initFrom(this);
    painter.drawPrimitive(QStyle::PE_FrameFocusRect, option);
}

} // namespace tavelin
