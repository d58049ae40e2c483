#include "map/HoverLabel.h"

#include "widgets/Texts.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <QPalette>
#include <algorithm>

namespace tavelin {
namespace {

QFont calloutFont() {
    QFont font = QApplication::font();
    font.setPixelSize(12);
    return font;
}

} // namespace

QString HoverLabel::textFor(const Node& node, Measure measure) {
    return QString::fromStdString(node.name) + QStringLiteral(" · ") +
           bytesText(node.value(measure));
}

double HoverLabel::width() const {
    return std::min(static_cast<double>(text.size()) * 7 + 16, bounds.width() - 8);
}

QPointF HoverLabel::center() const {
    double half = width() / 2;
    double x = std::max(pointer.x() + 14 + half, half + 4);
    x = std::min(x, bounds.width() - half - 4);
    double y = pointer.y() + 30;
    if (y > bounds.height() - 12)
        y = pointer.y() - 18;
    return {x, y};
}

QRectF HoverLabel::frame() const {
    double height = QFontMetricsF(calloutFont()).height() + 8;
    double w = width();
    QPointF c = center();
    return {c.x() - w / 2, c.y() - height / 2, w, height};
}

void HoverLabel::draw(QPainter& painter, const QPalette& palette) const {
    QRectF box = frame();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 38)); // the faint shadow, 15 %
    painter.drawRoundedRect(box.translated(0, 1.5), 6, 6);
    QColor material = palette.color(QPalette::Window);
    material.setAlphaF(0.94f);
    QColor separator = palette.color(QPalette::WindowText);
    separator.setAlphaF(0.18f);
    painter.setBrush(material);
    painter.setPen(QPen(separator, 1));
    painter.drawRoundedRect(box, 6, 6);
    QFont font = calloutFont();
    painter.setFont(font);
    painter.setPen(palette.color(QPalette::WindowText));
    QRectF inside = box.adjusted(8, 4, -8, -4);
    QString shown = QFontMetricsF(font).elidedText(text, Qt::ElideMiddle, inside.width());
    painter.drawText(inside, Qt::AlignCenter | Qt::TextSingleLine, shown);
    painter.restore();
}

} // namespace tavelin
