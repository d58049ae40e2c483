#pragma once

// The labels of map tiles: the name in white with a soft shadow and, on wide tiles, the size
// after it, clipped to the tile's label strip. Laid-out texts are kept from one drawing of the
// map to the next, so drawing the same tiles again (a resize, a scan's refresh) lays out no
// text; a text not drawn in a drawing is forgotten at its end. Lives on the UI thread, for no
// longer than the application.

#include "treemap/TreemapTile.h"

#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QRectF>
#include <QStaticText>
#include <QString>

class QPainter;

namespace tavelin {

class TileLabels {
public:
    TileLabels();

    // Draws the label of a tile drawn in `r` into a strip `strip` high at its top, with the
    // size when `withSize`.
    void draw(QPainter& painter, const TreemapTile& tile, const QRectF& r, double strip,
              bool withSize);
    // Ends a drawing of the map.
    void finishDrawing();

private:
    enum class Style { top, deeper, size };

    QStaticText text(const QString& content, Style style);
    void drawShadowed(QPainter& painter, QPointF baselineAt, const QStaticText& text, Style style,
                      const QColor& color);

    QFont fonts_[3];
    QFontMetricsF metrics_[3];
    double gaps_[2]; // two spaces of the name's font, between name and size
    QHash<QString, QStaticText> drawn_;
    QHash<QString, QStaticText> earlier_;
};

} // namespace tavelin
