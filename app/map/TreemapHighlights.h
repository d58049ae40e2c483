#pragma once

// The marks drawn over the tiles with the same inset rounded shapes: search results in yellow,
// the selection in the accent colour with an inner white line, and the hovered tile.

#include "treemap/TreemapTile.h"

#include <QColor>
#include <optional>
#include <set>
#include <vector>

class QPainter;

namespace tavelin::TreemapHighlights {

struct Marks {
    const std::set<Node::Ptr>* selection = nullptr;
    const std::set<const Node*>* searchResults = nullptr;
    std::optional<int> hoverIndex;
    QColor accent;
};

void draw(QPainter& painter, const std::vector<TreemapTile>& tiles, const Marks& marks);

} // namespace tavelin::TreemapHighlights
