#pragma once

// Draws the laid-out tiles of the map: inset rounded shapes in the palette's colours, the fill
// for each kind of content, the diagonal shading (TileShading), the hatching of folders still
// being scanned, and the labels (TileLabels). Tiles are drawn in list order, so children paint
// over their parents; a folder's body is left out where its nested tiles cover it. The rules
// that decide colours and labels are free functions, so tests can check them without pixels.

#include "treemap/TreemapTile.h"

#include <QColor>
#include <QPainterPath>
#include <QRectF>
#include <vector>

class QImage;

namespace tavelin {
class TileLabels;
}

namespace tavelin::TreemapRenderer {

// The tile's rectangle inset by 1 point on every side; empty when narrower or lower than
// 1.5 points, and then the tile is not drawn.
QRectF drawnRect(const TreemapTile& tile);

// The corner radius of the tile's rounded shape: 6 at depth 0, 4 deeper.
double radius(const TreemapTile& tile);
QPainterPath shape(const TreemapTile& tile);

// The tile's fill with its overlays composited: opaque for nodes, the system grey at 55 %
// opacity for the small-items tile.
QColor fill(const TreemapTile& tile);

// The height of the label strip: the header of a nested tile, else the drawn height up to 18.
double stripHeight(const TreemapTile& tile);

// Whether the tile carries a label: drawn wider than 34 points and a strip at least 13 high.
bool showsLabel(const TreemapTile& tile);

// Whether the label adds the size: drawn wider than 90 points.
bool showsSize(const TreemapTile& tile);

// Draws the tiles over what the image holds (ARGB32 premultiplied, not shared), in its
// logical coordinates, with their labels.
void draw(QImage& image, const std::vector<TreemapTile>& tiles, TileLabels& labels);

} // namespace tavelin::TreemapRenderer
