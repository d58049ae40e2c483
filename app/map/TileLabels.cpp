#include "map/TileLabels.h"

#include "widgets/Texts.h"

#include <QApplication>
#include <QPainter>

namespace tavelin {
namespace {

QFont labelFont(int pixels, QFont::Weight weight) {
    QFont font = QApplication::font();
    font.setPixelSize(pixels);
    font.setWeight(weight);
    return font;
}

} // namespace

TileLabels::TileLabels()
    : fonts_{labelFont(12, QFont::DemiBold), labelFont(11, QFont::Medium),
             labelFont(11, QFont::Normal)}
    , metrics_{QFontMetricsF(fonts_[0]), QFontMetricsF(fonts_[1]), QFontMetricsF(fonts_[2])}
    , gaps_{metrics_[0].horizontalAdvance(QStringLiteral("  ")),
            metrics_[1].horizontalAdvance(QStringLiteral("  "))} {}

QStaticText TileLabels::text(const QString& content, Style style) {
    QString key = QChar(u'0' + static_cast<int>(style)) + content;
    if (auto found = drawn_.find(key); found != drawn_.end())
        return *found;
    if (auto earlier = earlier_.find(key); earlier != earlier_.end())
        return *drawn_.insert(key, *earlier);
    // One line, shown as written: a name may hold markup-like text or a line break.
    QString line = content;
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    QStaticText laidOut(line);
    laidOut.setTextFormat(Qt::PlainText);
    laidOut.prepare(QTransform(), fonts_[static_cast<int>(style)]);
    return *drawn_.insert(key, laidOut);
}

void TileLabels::drawShadowed(QPainter& painter, QPointF baselineAt, const QStaticText& text,
                              Style style, const QColor& color) {
    QPointF topLeft(baselineAt.x(), baselineAt.y() - metrics_[static_cast<int>(style)].ascent());
    painter.setFont(fonts_[static_cast<int>(style)]);
    painter.setPen(QColor(0, 0, 0, 115)); // 45 %
    painter.drawStaticText(topLeft + QPointF(0, 0.5), text);
    painter.setPen(color);
    painter.drawStaticText(topLeft, text);
}

void TileLabels::draw(QPainter& painter, const TreemapTile& tile, const QRectF& r, double strip,
                      bool withSize) {
    // Text centred vertically in the strip.
    auto baseline = [&](Style style) {
        const QFontMetricsF& metrics = metrics_[static_cast<int>(style)];
        return r.top() + (strip - (metrics.ascent() + metrics.descent())) / 2 + metrics.ascent();
    };
    Style nameStyle = tile.depth == 0 ? Style::top : Style::deeper;
    QStaticText name = text(QString::fromStdString(tile.label), nameStyle);
    painter.save();
    painter.setClipRect(QRectF(r.left() + 5, r.top(), r.width() - 10, strip), Qt::IntersectClip);
    double x = r.left() + 6;
    drawShadowed(painter, QPointF(x, baseline(nameStyle)), name, nameStyle, Qt::white);
    if (withSize) {
        x += name.size().width() + gaps_[static_cast<int>(nameStyle)];
        drawShadowed(painter, QPointF(x, baseline(Style::size)),
                     text(bytesText(tile.size), Style::size), Style::size,
                     QColor(255, 255, 255, 199)); // 78 %
    }
    painter.restore();
}

void TileLabels::finishDrawing() {
    earlier_ = std::move(drawn_);
    drawn_.clear();
}

} // namespace tavelin
