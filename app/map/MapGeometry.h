#pragma once

// The map's pure geometry, free of widgets so tests can call it directly: which tile lies
// under a point, and which top-level tile an arrow key moves the selection to.

#include "treemap/TreemapTile.h"

#include <QPointF>
#include <QRectF>
#include <optional>
#include <vector>

namespace tavelin::MapGeometry {

enum class Direction { left, right, up, down };

inline QRectF toQRectF(const Rect& rect) {
    return {rect.x, rect.y, rect.width, rect.height};
}

// The topmost tile under the point: the list is searched from the end, so a child wins over
// its parent. Rectangles are half-open (a shared edge belongs to the tile right or below).
std::optional<int> tileAt(const std::vector<TreemapTile>& tiles, QPointF point);

// Arrow keys move between the tiles at depth 0 that show nodes.
bool isArrowCandidate(const TreemapTile& tile);

// The tile an arrow key selects, given the index of the selected candidate (or none). With
// none, the first (largest) candidate; otherwise the nearest candidate wholly on that side,
// centre to centre, the first one on ties. Nothing when no tile qualifies.
std::optional<int> neighbour(const std::vector<TreemapTile>& tiles, std::optional<int> selected,
                             Direction direction);

} // namespace tavelin::MapGeometry
