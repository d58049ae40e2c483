#include "map/TreemapRenderer.h"

#include "Texts.h"
#include "map/MapGeometry.h"
#include "map/MapPalette.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <algorithm>

namespace tavelin::TreemapRenderer {
namespace {

struct LabelFonts {
    QFont top;
    QFont deeper;
    QFont size;
    QFontMetricsF topMetrics;
    QFontMetricsF deeperMetrics;
    QFontMetricsF sizeMetrics;

    static QFont font(int pixels, QFont::Weight weight) {
        QFont font = QApplication::font();
        font.setPixelSize(pixels);
        font.setWeight(weight);
        return font;
    }

    LabelFonts()
        : top(font(12, QFont::DemiBold))
        , deeper(font(11, QFont::Medium))
        , size(font(11, QFont::Normal))
        , topMetrics(top)
        , deeperMetrics(deeper)
        , sizeMetrics(size) {}
};

// Text centred vertically in a strip: the baseline for a font's metrics.
double baseline(const QFontMetricsF& metrics, double top, double strip) {
    return top + (strip - (metrics.ascent() + metrics.descent())) / 2 + metrics.ascent();
}

void drawShadowedText(QPainter& painter, QPointF at, const QString& text, const QColor& color) {
    painter.setPen(QColor(0, 0, 0, 115)); // 45 %
    painter.drawText(at + QPointF(0, 0.5), text);
    painter.setPen(color);
    painter.drawText(at, text);
}

void drawLabel(QPainter& painter, const TreemapTile& tile, const QRectF& r,
               const LabelFonts& fonts) {
    double strip = stripHeight(tile);
    bool top = tile.depth == 0;
    const QFont& nameFont = top ? fonts.top : fonts.deeper;
    const QFontMetricsF& nameMetrics = top ? fonts.topMetrics : fonts.deeperMetrics;
    QString name = QString::fromStdString(tile.label);

    painter.save();
    painter.setClipRect(QRectF(r.left() + 5, r.top(), r.width() - 10, strip), Qt::IntersectClip);
    double x = r.left() + 6;
    painter.setFont(nameFont);
    drawShadowedText(painter, QPointF(x, baseline(nameMetrics, r.top(), strip)), name, Qt::white);
    if (showsSize(tile)) {
        x += nameMetrics.horizontalAdvance(name + QStringLiteral("  "));
        painter.setFont(fonts.size);
        drawShadowedText(painter, QPointF(x, baseline(fonts.sizeMetrics, r.top(), strip)),
                         bytesText(tile.size), QColor(255, 255, 255, 199)); // 78 %
    }
    painter.restore();
}

void drawHatching(QPainter& painter, const QRectF& r, const QPainterPath& path) {
    painter.save();
    painter.setClipPath(path, Qt::IntersectClip);
    painter.setPen(QPen(QColor(255, 255, 255, 56), 3)); // 22 %
    for (double x = r.left() - r.height(); x < r.right(); x += 9)
        painter.drawLine(QPointF(x, r.bottom()), QPointF(x + r.height(), r.top()));
    painter.restore();
}

} // namespace

QRectF drawnRect(const TreemapTile& tile) {
    QRectF r = MapGeometry::toQRectF(tile.rect).adjusted(1, 1, -1, -1);
    if (r.width() < 1.5 || r.height() < 1.5)
        return {};
    return r;
}

QPainterPath shape(const TreemapTile& tile) {
    QPainterPath path;
    QRectF r = drawnRect(tile);
    double radius = tile.depth == 0 ? 6 : 4;
    path.addRoundedRect(r, radius, radius);
    return path;
}

QColor fill(const TreemapTile& tile) {
    using namespace MapPalette;
    const Node* node = tile.node();
    if (!node) {
        QColor grey = QColor::fromRgb(kSystemGrey);
        grey.setAlphaF(0.55f);
        return grey;
    }
    QColor base = tileColor(tile.colorIndex);
    switch (node->kind()) {
    case Node::Kind::directory: {
        QColor color = base;
        if (tile.isNested)
            color = blend(color, Qt::black, 0.22);
        return blend(color, Qt::white, tile.depth * 0.10);
    }
    case Node::Kind::file:
    case Node::Kind::smallFiles:
        return blend(base, whiteLevel(0.55), 0.5);
    case Node::Kind::remainder:
        return whiteLevel(node->isScanning ? 0.52 : 0.44);
    }
    return base;
}

double stripHeight(const TreemapTile& tile) {
    if (tile.isNested)
        return tile.headerHeight;
    return std::min(drawnRect(tile).height(), 18.0);
}

bool showsLabel(const TreemapTile& tile) {
    QRectF r = drawnRect(tile);
    return !r.isEmpty() && r.width() > 34 && stripHeight(tile) >= 13;
}

bool showsSize(const TreemapTile& tile) {
    return drawnRect(tile).width() > 90;
}

void draw(QPainter& painter, const std::vector<TreemapTile>& tiles) {
    const LabelFonts fonts; // per call: fonts must not outlive the application
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    for (const TreemapTile& tile : tiles) {
        QRectF r = drawnRect(tile);
        if (r.isEmpty())
            continue;
        QPainterPath path = shape(tile);
        painter.fillPath(path, fill(tile));

        QLinearGradient shading(r.topLeft(), r.bottomRight());
        shading.setColorAt(0, QColor(255, 255, 255, 51)); // 20 %
        shading.setColorAt(0.5, QColor(0, 0, 0, 0));
        shading.setColorAt(1, QColor(0, 0, 0, 31)); // 12 %
        painter.fillPath(path, shading);

        if (const Node* node = tile.node(); node && node->isScanning)
            drawHatching(painter, r, path);
        if (showsLabel(tile))
            drawLabel(painter, tile, r, fonts);
    }
    painter.restore();
}

} // namespace tavelin::TreemapRenderer
