#include "window/CloneDiagram.h"

#include "map/MapPalette.h"

#include <QPainter>

namespace tavelin {
namespace {

void box(QPainter& painter, const QRectF& rect, const QColor& fill, const QString& text) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(rect, 6, 6);
    painter.setPen(Qt::white);
    painter.drawText(rect, Qt::AlignCenter | Qt::TextWordWrap, text);
}

void arrow(QPainter& painter, const QColor& color, QPointF from, QPointF to) {
    painter.setPen(QPen(color, 1.5));
    painter.drawLine(from, to);
    QLineF line(to, from);
    QLineF wing = line;
    wing.setLength(8);
    for (double angle : {25.0, -25.0}) {
        QLineF side = wing;
        side.setAngle(line.angle() + angle);
        painter.drawLine(side);
    }
}

} // namespace

CloneDiagram::CloneDiagram(QWidget* parent)
    : QWidget(parent) {
    setMinimumSize(sizeHint());
}

void CloneDiagram::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    double w = width();
    QRectF original(w * 0.05, 8, w * 0.38, 34);
    QRectF copy(w * 0.57, 8, w * 0.38, 34);
    QRectF shared(w * 0.2, 86, w * 0.6, 34);
    box(painter, original, MapPalette::tileColor(0), QStringLiteral("Original"));
    box(painter, copy, MapPalette::tileColor(1), QStringLiteral("Copy (clone)"));
    box(painter, shared, MapPalette::whiteLevel(0.4), QStringLiteral("Shared data, stored once"));
    QColor ink = palette().color(QPalette::WindowText);
    arrow(painter, ink, {original.center().x(), original.bottom()},
          {shared.left() + shared.width() * 0.3, shared.top()});
    arrow(painter, ink, {copy.center().x(), copy.bottom()},
          {shared.left() + shared.width() * 0.7, shared.top()});
    painter.setPen(palette().color(QPalette::PlaceholderText));
    painter.drawText(QRectF(0, shared.bottom() + 4, w, 22), Qt::AlignCenter,
                     QStringLiteral("Deleting the copy frees only its own part"));
}

} // namespace tavelin
