#include "map/TileShading.h"

#include <QImage>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

namespace tavelin {
namespace {

// Positions along the diagonal are counted in 1/65536 of a table step.
constexpr int kFraction = 16;

// Rounds a value that is never negative, without a library call in the pixel loops.
uint32_t rounded(double value) {
    return static_cast<uint32_t>(value + 0.5);
}

// The part of the pixel [at, at + 1) that [from, to) covers.
double overlap(int at, double from, double to) {
    return std::clamp(std::min(at + 1.0, to) - std::max(static_cast<double>(at), from), 0.0, 1.0);
}

// A premultiplied colour times a coverage from 0 to 256, all four channels at once.
QRgb scaled(QRgb pixel, uint32_t coverage) {
    uint32_t redBlue = (((pixel & 0x00ff00ffu) * coverage) >> 8) & 0x00ff00ffu;
    uint32_t alphaGreen = (((pixel >> 8) & 0x00ff00ffu) * coverage) & 0xff00ff00u;
    return redBlue | alphaGreen;
}

// Premultiplied source over destination.
QRgb over(QRgb source, QRgb destination) {
    return source + scaled(destination, 256 - static_cast<uint32_t>(qAlpha(source)));
}

} // namespace

TileShading::TileShading(const QColor& fill)
    : opaque_(fill.alpha() == 255) {
    // The overlay's gradient is interpolated premultiplied, as the painter's is: white at 20 %
    // fades to clear, then black rises to 12 %.
    const double fillAlpha = fill.alphaF();
    const double red = fill.redF() * fillAlpha;
    const double green = fill.greenF() * fillAlpha;
    const double blue = fill.blueF() * fillAlpha;
    for (int step = 0; step < kSteps; ++step) {
        double t = step / double(kSteps - 1);
        double alpha = t < 0.5 ? 0.2 * (1 - 2 * t) : 0.12 * (2 * t - 1);
        double white = t < 0.5 ? alpha : 0.0;
        double under = 1 - alpha;
        table_[static_cast<size_t>(step) + 1] =
            qRgba(static_cast<int>(rounded((white + red * under) * 255)),
                  static_cast<int>(rounded((white + green * under) * 255)),
                  static_cast<int>(rounded((white + blue * under) * 255)),
                  static_cast<int>(rounded((alpha + fillAlpha * under) * 255)));
    }
    table_.front() = table_[1];
    table_.back() = table_[kSteps];
}

QRgb TileShading::at(double t) const {
    return table_[static_cast<size_t>(std::clamp(t, 0.0, 1.0) * (kSteps - 1)) + 1];
}

TileShading::Shape TileShading::shape(double ratio, const QRectF& rect, double radius) {
    Shape shape{rect.left() * ratio, rect.top() * ratio, rect.right() * ratio,
                rect.bottom() * ratio, 0};
    shape.radius =
        std::min({radius * ratio, (shape.right - shape.left) / 2, (shape.bottom - shape.top) / 2});
    return shape;
}

QRect TileShading::core(double ratio, const QRectF& rect, double radius) {
    Shape s = shape(ratio, rect, radius);
    QPoint from(static_cast<int>(std::ceil(s.left)), static_cast<int>(std::ceil(s.top + s.radius)));
    QPoint to(static_cast<int>(std::floor(s.right)),
              static_cast<int>(std::floor(s.bottom - s.radius)));
    return QRect(from, to - QPoint(1, 1));
}

void TileShading::paint(QImage& image, const QRectF& rect, double radius,
                        std::span<const QRect> covered) const {
    Q_ASSERT(image.format() == QImage::Format_ARGB32_Premultiplied);
    const auto [x0, y0, x1, y1, r] = shape(image.devicePixelRatio(), rect, radius);
    const int left = std::max(0, static_cast<int>(std::floor(x0)));
    const int right = std::min(image.width(), static_cast<int>(std::ceil(x1)));
    const int top = std::max(0, static_cast<int>(std::floor(y0)));
    const int bottom = std::min(image.height(), static_cast<int>(std::ceil(y1)));
    if (left >= right || top >= bottom)
        return;

    // t along the diagonal grows by w / (w² + h²) a pixel to the right and by h / (w² + h²) a
    // row down; scaled here to table steps and their fractions.
    const double w = x1 - x0;
    const double h = y1 - y0;
    const double unit = (kSteps - 1) * double(1 << kFraction) / (w * w + h * h);
    const auto stepX = static_cast<int64_t>(w * unit + 0.5);
    // Anywhere near the rectangle, and anywhere inside it at a pixel's centre.
    auto colourAt = [this](int64_t t) {
        return table_[static_cast<size_t>(std::clamp<int64_t>(t >> kFraction, -1, kSteps) + 1)];
    };
    auto colourInside = [this](int64_t t) {
        return table_[static_cast<size_t>((t >> kFraction) + 1)];
    };

    uchar* bits = image.bits();
    const qsizetype stride = image.bytesPerLine();
    std::vector<std::pair<int, int>> skipped; // the covered columns of a row, left to right
    for (int y = top; y < bottom; ++y) {
        auto* line = reinterpret_cast<QRgb*>(bits + y * stride);
        const double cy = y + 0.5;
        const double coverY = overlap(y, y0, y1);
        // The corners are quarter circles of radius r centred r inside the rectangle.
        const bool cornerRow = cy < y0 + r || cy > y1 - r;
        const double cornerY = cy < y0 + r ? y0 + r : y1 - r;
        const auto rowStart =
            static_cast<int64_t>(std::floor(((left + 0.5 - x0) * w + (cy - y0) * h) * unit + 0.5));
        auto tAt = [&](int x) { return rowStart + (x - left) * stepX; };

        // Edge and corner pixels, each with its own coverage.
        auto edges = [&](int from, int to) {
            for (int x = from; x < to; ++x) {
                const double cx = x + 0.5;
                double coverage = coverY * overlap(x, x0, x1);
                if (cornerRow && (cx < x0 + r || cx > x1 - r)) {
                    const double cornerX = cx < x0 + r ? x0 + r : x1 - r;
                    const double dx = cx - cornerX;
                    const double dy = cy - cornerY;
                    double inside = r - std::sqrt(dx * dx + dy * dy) + 0.5;
                    coverage = std::min(coverage, std::clamp(inside, 0.0, 1.0));
                }
                uint32_t amount = rounded(coverage * 256);
                if (amount > 0)
                    line[x] = over(scaled(colourAt(tAt(x)), amount), line[x]);
            }
        };

        // Between them the row is covered evenly: most pixels of a tile are stored as they are.
        const uint32_t amount = rounded(coverY * 256);
        auto run = [&](int from, int to) {
            int64_t t = tAt(from);
            if (opaque_ && amount == 256) {
                for (int x = from; x < to; ++x, t += stepX)
                    line[x] = colourInside(t);
            } else if (amount > 0) {
                for (int x = from; x < to; ++x, t += stepX)
                    line[x] = over(scaled(colourAt(t), amount), line[x]);
            }
        };

        const int runFrom =
            std::clamp(static_cast<int>(std::ceil(cornerRow ? x0 + r : x0)), left, right);
        const int runTo =
            std::clamp(static_cast<int>(std::floor(cornerRow ? x1 - r : x1)), runFrom, right);
        edges(left, runFrom);
        skipped.clear();
        for (const QRect& part : covered)
            if (y >= part.top() && y <= part.bottom())
                skipped.emplace_back(part.left(), part.right() + 1);
        std::sort(skipped.begin(), skipped.end());
        int x = runFrom;
        for (auto [from, to] : skipped) {
            run(x, std::clamp(from, x, runTo));
            x = std::clamp(to, x, runTo);
        }
        run(x, runTo);
        edges(runTo, right);
    }
}

} // namespace tavelin
