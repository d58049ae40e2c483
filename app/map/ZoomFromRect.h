#pragma once

// Entering a folder from its tile: the new map starts drawn inside the tile's rectangle and
// grows to fill the view. `rect` is in unit coordinates of the map (x and width divided by the
// map's width, y and height by its height).

#include <QRectF>
#include <QSizeF>
#include <QTransform>

namespace tavelin {

struct ZoomFromRect {
    QRectF rect;

    // The unit rectangle at a point of the animation: `rect` at 0, (0, 0, 1, 1) at 1.
    QRectF at(double progress) const;

    // Translates by (minX × width, minY × height) and scales by (width, height) of the unit
    // rectangle, each scale at least 0.001.
    static QTransform transform(const QRectF& unitRect, QSizeF size);

    // The folder-change spring (response 0.28 s, damping fraction 0.85) over the animation's
    // 0..1 time, normalised to end exactly at 1 and clamped there, so it settles without the
    // overshoot that would look like a bug. Usable as a QEasingCurve custom type.
    static double spring(double time);

    static constexpr int kDurationMs = 280;
};

} // namespace tavelin
