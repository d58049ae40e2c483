#include "map/MapGeometry.h"

#include <cmath>
#include <limits>

namespace tavelin::MapGeometry {

std::optional<int> tileAt(const std::vector<TreemapTile>& tiles, QPointF point) {
    for (int i = static_cast<int>(tiles.size()) - 1; i >= 0; --i) {
        const Rect& r = tiles[static_cast<size_t>(i)].rect;
        if (point.x() >= r.x && point.x() < r.x + r.width && point.y() >= r.y &&
            point.y() < r.y + r.height)
            return i;
    }
    return std::nullopt;
}

bool isArrowCandidate(const TreemapTile& tile) {
    return tile.depth == 0 && tile.node() != nullptr;
}

std::optional<int> neighbour(const std::vector<TreemapTile>& tiles, std::optional<int> selected,
                             Direction direction) {
    if (!selected) {
        for (size_t i = 0; i < tiles.size(); ++i)
            if (isArrowCandidate(tiles[i]))
                return static_cast<int>(i);
        return std::nullopt;
    }
    QRectF s = toQRectF(tiles.at(static_cast<size_t>(*selected)).rect);
    QPointF centre = s.center();
    std::optional<int> best;
    double bestDistance = std::numeric_limits<double>::infinity();
    for (size_t i = 0; i < tiles.size(); ++i) {
        if (!isArrowCandidate(tiles[i]) || static_cast<int>(i) == *selected)
            continue;
        QRectF c = toQRectF(tiles[i].rect);
        QPointF cc = c.center();
        bool onSide = false;
        switch (direction) {
        case Direction::left:
            onSide = c.right() <= s.left() + 1 && cc.x() < centre.x();
            break;
        case Direction::right:
            onSide = c.left() >= s.right() - 1 && cc.x() > centre.x();
            break;
        case Direction::up:
            onSide = c.bottom() <= s.top() + 1 && cc.y() < centre.y();
            break;
        case Direction::down:
            onSide = c.top() >= s.bottom() - 1 && cc.y() > centre.y();
            break;
        }
        if (!onSide)
            continue;
        double distance = std::hypot(cc.x() - centre.x(), cc.y() - centre.y());
        if (distance < bestDistance) {
            bestDistance = distance;
            best = static_cast<int>(i);
        }
    }
    return best;
}

} // namespace tavelin::MapGeometry
