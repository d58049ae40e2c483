#include "map/TreemapRenderer.h"

#include "map/MapGeometry.h"
#include "map/MapPalette.h"
#include "map/TileLabels.h"
#include "map/TileShading.h"

#include <QPainter>
#include <algorithm>
#include <unordered_map>

namespace tavelin::TreemapRenderer {
namespace {

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

double radius(const TreemapTile& tile) {
    return tile.depth == 0 ? 6 : 4;
}

QPainterPath shape(const TreemapTile& tile) {
    QPainterPath path;
    path.addRoundedRect(drawnRect(tile), radius(tile), radius(tile));
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

void draw(QImage& image, const std::vector<TreemapTile>& tiles, TileLabels& labels) {
    // A map has a few dozen distinct fills among hundreds of tiles.
    std::unordered_map<QRgb, TileShading> shadings;
    auto shadingOf = [&](const TreemapTile& tile) -> const TileShading& {
        QColor colour = fill(tile);
        return shadings.try_emplace(colour.rgba(), colour).first->second;
    };
    // What each tile's nested tiles cover opaquely: a folder's body is painted only around
    // them. Nested tiles follow their parent in the list, so a stack finds each one's parent.
    std::vector<std::vector<QRect>> covered(tiles.size());
    std::vector<size_t> parents;
    for (size_t i = 0; i < tiles.size(); ++i) {
        while (!parents.empty() && tiles[parents.back()].depth >= tiles[i].depth)
            parents.pop_back();
        QRectF r = drawnRect(tiles[i]);
        if (!parents.empty() && !r.isEmpty() && shadingOf(tiles[i]).isOpaque())
            if (QRect core = TileShading::core(image.devicePixelRatio(), r, radius(tiles[i]));
                !core.isEmpty())
                covered[parents.back()].push_back(core);
        parents.push_back(i);
    }

    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    // Tile by tile, so a tile's hatching and label lie under the tiles nested in it.
    for (size_t i = 0; i < tiles.size(); ++i) {
        const TreemapTile& tile = tiles[i];
        QRectF r = drawnRect(tile);
        if (r.isEmpty())
            continue;
        shadingOf(tile).paint(image, r, radius(tile), covered[i]);
        if (const Node* node = tile.node(); node && node->isScanning)
            drawHatching(painter, r, shape(tile));
        if (showsLabel(tile))
            labels.draw(painter, tile, r, stripHeight(tile), showsSize(tile));
    }
    labels.finishDrawing();
}

} // namespace tavelin::TreemapRenderer
