#pragma once

// The label that shows a hovered tile's name and size after the pointer rests on it. It sits
// below and to the right of the pointer, kept 4 points inside the map's right edge, and moves
// above the pointer near the bottom edge.

#include "scan/Measure.h"
#include "scan/Node.h"

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

class QPainter;
class QPalette;

namespace tavelin {

struct HoverLabel {
    QString text;
    QPointF pointer; // where the label is anchored
    QSizeF bounds;   // the size of the map

    // "name · size", the size being the node's figure in the measure.
    static QString textFor(const Node& node, Measure measure);

    // The estimated width: 7 points a character and 16 of padding, at most the map's width
    // less 8.
    double width() const;
    QPointF center() const;
    // The label's frame: the estimated width, the text's height and 4 points above and below.
    QRectF frame() const;

    void draw(QPainter& painter, const QPalette& palette) const;
};

} // namespace tavelin
