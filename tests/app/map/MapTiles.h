#pragma once

// Tiles made by hand for the map's drawing and geometry tests, and a colour comparison that
// allows for rounding.

#include "scan/Node.h"
#include "treemap/TreemapTile.h"

#include <QColor>
#include <gtest/gtest.h>

namespace tavelin::test {

inline Node::Ptr fileNode(const std::string& name) {
    return Node::make(name, Node::Kind::file);
}

inline Node::Ptr folderNode(const std::string& name) {
    return Node::make(name, Node::Kind::directory);
}

// A tile for `node`, or the other tile of three small items when there is none.
inline TreemapTile tile(Node::Ptr node, Rect rect, int depth = 0, int colorIndex = 0) {
    TreemapTile result;
    result.label = node ? node->name : "3 small items";
    if (node)
        result.content = std::move(node);
    else
        result.content = TreemapTile::Other{3};
    result.rect = rect;
    result.depth = depth;
    result.colorIndex = colorIndex;
    return result;
}

inline ::testing::AssertionResult sameColor(const QColor& actual, const QColor& expected,
                                            int tolerance = 1) {
    auto near = [&](int a, int b) { return std::abs(a - b) <= tolerance; };
    if (near(actual.red(), expected.red()) && near(actual.green(), expected.green()) &&
        near(actual.blue(), expected.blue()) && near(actual.alpha(), expected.alpha()))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << actual.name(QColor::HexArgb).toStdString() << " is not "
                                         << expected.name(QColor::HexArgb).toStdString();
}

} // namespace tavelin::test
