#include "map/TreemapHighlights.h"

#include "map/MapPalette.h"
#include "map/TreemapRenderer.h"

#include <QPainter>

namespace tavelin::TreemapHighlights {

void draw(QPainter& painter, const std::vector<TreemapTile>& tiles, const Marks& marks) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    bool anySearch = marks.searchResults && !marks.searchResults->empty();
    bool anySelection = marks.selection && !marks.selection->empty();
    if (anySearch || anySelection) {
        for (const TreemapTile& tile : tiles) {
            const auto* node = std::get_if<Node::Ptr>(&tile.content);
            if (!node || TreemapRenderer::drawnRect(tile).isEmpty())
                continue;
            if (anySearch && marks.searchResults->contains(node->get())) {
                painter.setPen(QPen(QColor::fromRgb(MapPalette::kSearchYellow), 2.5));
                painter.drawPath(TreemapRenderer::shape(tile));
            }
            if (anySelection && marks.selection->contains(*node)) {
                painter.setPen(QPen(marks.accent, 3));
                painter.drawPath(TreemapRenderer::shape(tile));
                QRectF inner = TreemapRenderer::drawnRect(tile).adjusted(2, 2, -2, -2);
                double radius = TreemapRenderer::radius(tile) - 2;
                painter.setPen(QPen(QColor(255, 255, 255, 230), 1)); // 90 %
                painter.drawRoundedRect(inner, radius, radius);
            }
        }
    }
    if (marks.hoverIndex && *marks.hoverIndex >= 0 &&
        *marks.hoverIndex < static_cast<int>(tiles.size())) {
        const TreemapTile& tile = tiles[static_cast<size_t>(*marks.hoverIndex)];
        if (!TreemapRenderer::drawnRect(tile).isEmpty()) {
            QPainterPath path = TreemapRenderer::shape(tile);
            painter.fillPath(path, QColor(255, 255, 255, 31));     // 12 %
            painter.setPen(QPen(QColor(255, 255, 255, 242), 1.5)); // 95 %
            painter.drawPath(path);
        }
    }
    painter.restore();
}

} // namespace tavelin::TreemapHighlights
