#pragma once

// The body of a map tile: its rounded, antialiased shape filled with the tile's colour and the
// diagonal shading over it, painted straight into the layer's pixels in one pass over each
// pixel, the shading looked up in a table made once per colour. Through QPainter the body took
// two fills of a path, the second a translucent gradient evaluated per pixel, and each fill
// taller than a few dozen rows was sliced out to the painter's thread pool and waited for: 392
// tiles took three times a frame's budget.

#include <QColor>
#include <QRect>
#include <QRectF>
#include <QRgb>
#include <array>
#include <span>

class QImage;

namespace tavelin {

class TileShading {
public:
    explicit TileShading(const QColor& fill);

    // The shaded colour, premultiplied, at `t` along the diagonal from the top-left corner (0)
    // to the bottom-right (1): the fill under white at 20 % fading to clear at the middle, then
    // to black at 12 %.
    QRgb at(double t) const;
    bool isOpaque() const { return opaque_; }

    // Paints the rounded rectangle (in the image's logical coordinates, so its device pixel
    // ratio applies) over what the image holds there. The image must be ARGB32 premultiplied
    // and not shared; whatever lies outside it is left out, and so are the `covered` device
    // pixels, which tiles painted later cover anyway.
    void paint(QImage& image, const QRectF& rect, double radius,
               std::span<const QRect> covered = {}) const;

    // The device pixels that `paint` covers wholly: once painted with an opaque fill, nothing
    // of what lay under them shows.
    static QRect core(double ratio, const QRectF& rect, double radius);

private:
    static constexpr int kSteps = 256;

    // A rectangle and its corner radius in device pixels.
    struct Shape {
        double left, top, right, bottom, radius;
    };
    static Shape shape(double ratio, const QRectF& rect, double radius);

    // The steps along the diagonal, with one more copy of the first and of the last at either
    // end, so that the pixel loops need not clamp a position that rounding took past an end.
    std::array<QRgb, kSteps + 2> table_;
    bool opaque_;
};

} // namespace tavelin
