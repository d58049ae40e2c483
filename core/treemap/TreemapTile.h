#pragma once

#include "scan/Node.h"
#include "treemap/Rect.h"

#include <cstdint>
#include <string>
#include <variant>

namespace tavelin {

// One laid-out rectangle of the map: a shown item, or the small-items tile that collects the
// items of one level too small to draw.
struct TreemapTile {
    // The number of items folded into a small-items tile.
    struct Other {
        int64_t count = 0;
        bool operator==(const Other&) const = default;
    };
    using Content = std::variant<Node::Ptr, Other>;

    Content content;
    Rect rect;
    int depth = 0;      // 0 for the shown folder's own items, 1 for their children, 2 below
    int colorIndex = 0; // the position of the top-level ancestor tile
    bool isNested = false;
    double headerHeight = 0; // the label strip of a nested tile; 0 when not nested
    int64_t size = 0;        // the figure in the measure laid out
    std::string label;

    // The carried node; nullptr for a small-items tile.
    Node* node() const {
        const Node::Ptr* carried = std::get_if<Node::Ptr>(&content);
        return carried ? carried->get() : nullptr;
    }
};

} // namespace tavelin
