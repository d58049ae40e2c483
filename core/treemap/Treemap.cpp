#include "treemap/Treemap.h"

#include "util/Format.h"

#include <algorithm>
#include <optional>

namespace tavelin::Treemap {
namespace {

constexpr size_t kMaxShownPerLevel = 200;
constexpr double kMinPlaceableSide = 2;
constexpr double kMinNestedWidth = 64;
constexpr double kMinNestedHeight = 50;
constexpr double kTopHeaderHeight = 20;
constexpr double kDeepHeaderHeight = 17;
constexpr double kMargin = 3;

struct Shown {
    size_t index; // into the level's items
    int64_t figure;
};

// What one level shows: the items big enough for a tile, largest first, and what folds away.
struct Level {
    std::vector<Shown> shown;
    int64_t otherSum = 0;
    int64_t otherCount = 0;
};

// Items that earn a tile are a prefix of the stable size order, so only they are sorted, and
// only as far as the cap; the index breaks ties to keep the order of `items`.
Level selectLevel(const std::vector<Node::Ptr>& items, Measure measure, Rect in,
                  double minTileArea) {
    int64_t total = 0;
    int64_t counted = 0;
    for (const Node::Ptr& item : items) {
        int64_t figure = item->value(measure);
        if (figure >= 1) {
            total += figure;
            ++counted;
        }
    }
    Level level;
    if (total < 1)
        return level;
    double cutOff = static_cast<double>(total) * minTileArea / (in.width * in.height);
    for (size_t i = 0; i < items.size(); ++i) {
        int64_t figure = items[i]->value(measure);
        if (figure >= 1 && static_cast<double>(figure) >= cutOff)
            level.shown.push_back({i, figure});
    }
    auto before = [](const Shown& a, const Shown& b) {
        return a.figure != b.figure ? a.figure > b.figure : a.index < b.index;
    };
    if (level.shown.size() > kMaxShownPerLevel) {
        std::partial_sort(level.shown.begin(), level.shown.begin() + kMaxShownPerLevel,
                          level.shown.end(), before);
        level.shown.resize(kMaxShownPerLevel);
    } else {
        std::sort(level.shown.begin(), level.shown.end(), before);
    }
    int64_t shownSum = 0;
    for (const Shown& item : level.shown)
        shownSum += item.figure;
    level.otherSum = total - shownSum;
    level.otherCount = counted - static_cast<int64_t>(level.shown.size());
    return level;
}

std::string otherLabel(int64_t count) {
    return count == 1 ? "1 small item" : formatCount(count) + " small items";
}

class Placer {
public:
    Placer(Measure measure, int maxDepth, double minTileArea)
        : measure_(measure)
        , maxDepth_(maxDepth)
        , minTileArea_(minTileArea) {}

    void place(const std::vector<Node::Ptr>& items, int depth, std::optional<int> inheritedColor,
               Rect in) {
        if (in.width < kMinPlaceableSide || in.height < kMinPlaceableSide)
            return;
        Level level = selectLevel(items, measure_, in, minTileArea_);
        std::vector<double> values;
        values.reserve(level.shown.size() + 1);
        for (const Shown& item : level.shown)
            values.push_back(static_cast<double>(item.figure));
        if (level.otherSum > 0)
            values.push_back(static_cast<double>(level.otherSum));
        std::vector<Rect> rects = squarify(values, in);
        for (size_t i = 0; i < rects.size(); ++i) {
            int color = inheritedColor.value_or(static_cast<int>(i));
            if (i < level.shown.size())
                placeNode(items[level.shown[i].index], level.shown[i].figure, depth, color,
                          rects[i]);
            else
                tiles_.push_back({TreemapTile::Other{level.otherCount}, rects[i], depth, color,
                                  false, 0, level.otherSum, otherLabel(level.otherCount)});
        }
    }

    std::vector<TreemapTile> tiles() && { return std::move(tiles_); }

private:
    // The node's items when its tile shows them inside; empty otherwise.
    std::vector<Node::Ptr> nestedItems(Node& node, int depth, Rect rect) const {
        if (!node.isDirectory() || depth + 1 >= maxDepth_ || rect.width <= kMinNestedWidth ||
            rect.height <= kMinNestedHeight)
            return {};
        return node.items();
    }

    void placeNode(const Node::Ptr& node, int64_t figure, int depth, int color, Rect rect) {
        std::vector<Node::Ptr> inner = nestedItems(*node, depth, rect);
        bool nested = !inner.empty();
        double header = !nested ? 0 : depth == 0 ? kTopHeaderHeight : kDeepHeaderHeight;
        tiles_.push_back({node, rect, depth, color, nested, header, figure, node->name});
        if (nested)
            place(inner, depth + 1, color,
                  Rect{rect.x + kMargin, rect.y + header, rect.width - 2 * kMargin,
                       rect.height - header - kMargin});
    }

    Measure measure_;
    int maxDepth_;
    double minTileArea_;
    std::vector<TreemapTile> tiles_;
};

double worstRatio(double side, double sum, double min, double max) {
    return std::max(side * side * max / (sum * sum), sum * sum / (side * side * min));
}

struct Row {
    size_t end;
    double sum;
};

// Grows a row from `start` while adding the next area does not worsen its worst aspect ratio.
Row nextRow(const std::vector<double>& areas, size_t start, double side) {
    double sum = areas[start];
    double min = areas[start];
    double max = std::max(areas[start], 0.0);
    double worst = worstRatio(side, sum, min, max);
    size_t end = start + 1;
    for (; end < areas.size(); ++end) {
        double candidateSum = sum + areas[end];
        double candidateMin = std::min(min, areas[end]);
        double candidateMax = std::max(max, areas[end]);
        double candidateWorst = worstRatio(side, candidateSum, candidateMin, candidateMax);
        if (candidateWorst > worst)
            break;
        sum = candidateSum;
        min = candidateMin;
        max = candidateMax;
        worst = candidateWorst;
    }
    return {end, sum};
}

// Lays the row against the free region's shorter side and takes it out of the region.
void placeRow(const std::vector<double>& areas, size_t start, Row row, Rect& free,
              std::vector<Rect>& rects) {
    bool column = free.height <= free.width;
    double thickness = row.sum / (column ? free.height : free.width);
    double along = column ? free.y : free.x;
    for (size_t i = start; i < row.end; ++i) {
        double length = areas[i] / thickness;
        rects[i] = column ? Rect{free.x, along, thickness, length}
                          : Rect{along, free.y, length, thickness};
        along += length;
    }
    if (column) {
        free.x += thickness;
        free.width -= thickness;
    } else {
        free.y += thickness;
        free.height -= thickness;
    }
}

} // namespace

std::vector<TreemapTile> layout(Node& root, Rect in, Measure measure, int maxDepth,
                                double minTileArea) {
    Placer placer(measure, maxDepth, minTileArea);
    placer.place(root.items(), 0, std::nullopt, in);
    return std::move(placer).tiles();
}

std::vector<Rect> squarify(const std::vector<double>& values, Rect in) {
    std::vector<Rect> rects(values.size());
    double sum = 0;
    for (double value : values)
        sum += value;
    if (!(sum > 0) || !(in.width > 0) || !(in.height > 0))
        return rects;
    std::vector<double> areas;
    areas.reserve(values.size());
    for (double value : values)
        areas.push_back(value * (in.width * in.height) / sum);
    Rect free = in;
    size_t start = 0;
    while (start < areas.size()) {
        Row row = nextRow(areas, start, std::min(free.width, free.height));
        if (!(row.sum > 0))
            break;
        placeRow(areas, start, row, free, rects);
        start = row.end;
    }
    return rects;
}

} // namespace tavelin::Treemap
