#pragma once

// The squarified layout of a folder: pure geometry on the scan tree, no drawing and no caching
// (the model caches by folder, tree version, measure and size).

#include "scan/Measure.h"
#include "scan/Node.h"
#include "treemap/Rect.h"
#include "treemap/TreemapTile.h"

#include <vector>

namespace tavelin::Treemap {

// Tiles for `root.items()` in the measure, nested while depth + 1 < maxDepth. Items whose share
// of the rectangle is below `minTileArea` square points, and everything after the 200th item of
// a level, fold into one small-items tile. Parents come before their nested tiles, so drawing
// in order paints children over their parents. Reading items refreshes the folder's pseudo
// nodes, so call it on the thread that owns the tree.
std::vector<TreemapTile> layout(Node& root, Rect in, Measure measure, int maxDepth,
                                double minTileArea);

// One rectangle per value, in the same order, with areas in proportion to the values; rows keep
// aspect ratios near 1. All rectangles are empty when the sum or the rectangle is not positive.
std::vector<Rect> squarify(const std::vector<double>& values, Rect in);

} // namespace tavelin::Treemap
