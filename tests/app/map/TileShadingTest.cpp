// The map paints tile bodies itself, for speed: it must look as the painter would have drawn
// them, a rounded antialiased path filled with the colour and then the translucent gradient.

#include "map/TileShading.h"

#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <gtest/gtest.h>

using namespace tavelin;

namespace {

QImage canvas() {
    QImage image(160, 100, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(236, 236, 236));
    return image;
}

QImage paintedByThePainter(const QRectF& rect, double radius, const QColor& fill) {
    QImage image = canvas();
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    painter.fillPath(path, fill);
    QLinearGradient shading(rect.topLeft(), rect.bottomRight());
    shading.setColorAt(0, QColor(255, 255, 255, 51));
    shading.setColorAt(0.5, QColor(0, 0, 0, 0));
    shading.setColorAt(1, QColor(0, 0, 0, 31));
    painter.fillPath(path, shading);
    return image;
}

struct Differences {
    int inside = 0; // where the shape covers whole pixels
    int edge = 0;   // along its antialiased outline, where the two rasterisers may round apart
};

Differences differences(const QImage& a, const QImage& b, const QRectF& rect, double radius) {
    Differences found;
    QRectF inner = rect.adjusted(1, 1, -1, -1);
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            QRgb p = a.pixel(x, y);
            QRgb q = b.pixel(x, y);
            int difference = std::max({std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                       std::abs(qBlue(p) - qBlue(q))});
            QRectF pixel(x, y, 1, 1);
            bool corner = (x < rect.left() + radius || x + 1 > rect.right() - radius) &&
                          (y < rect.top() + radius || y + 1 > rect.bottom() - radius);
            int& largest = inner.contains(pixel) && !corner ? found.inside : found.edge;
            largest = std::max(largest, difference);
        }
    return found;
}

} // namespace

TEST(TileShading, LooksAsThePainterWouldDrawIt) {
    struct Case {
        QRectF rect;
        double radius;
        QColor fill;
    };
    for (const Case& tile : {Case{{1, 1, 158, 98}, 6, QColor(255, 149, 0)},
                             Case{{10.4, 20.7, 61.3, 33.2}, 4, QColor(0, 122, 255)},
                             Case{{3.5, 2.25, 9.5, 90}, 4, QColor(52, 199, 89)},
                             Case{{20, 10, 120, 60}, 6, QColor(142, 142, 147, 140)}}) {
        QImage fast = canvas();
        TileShading(tile.fill).paint(fast, tile.rect, tile.radius);
        Differences apart = differences(
            fast, paintedByThePainter(tile.rect, tile.radius, tile.fill), tile.rect, tile.radius);
        EXPECT_LE(apart.inside, 2) << tile.fill.name().toStdString();
        EXPECT_LE(apart.edge, 24) << tile.fill.name().toStdString();
    }
}

TEST(TileShading, LeavesWhatNestedTilesCoverAndPaintsAroundIt) {
    QRectF parent(1, 1, 158, 98);
    QRectF child(20.5, 30.5, 60, 40);
    QRect core = TileShading::core(1, child, 4);
    EXPECT_EQ(core, QRect(QPoint(21, 35), QPoint(79, 65))) << "whole pixels, corner rows left out";

    QImage image = canvas();
    std::vector<QRect> covered{core};
    TileShading(QColor(255, 149, 0)).paint(image, parent, 6, covered);
    QImage whole = canvas();
    TileShading(QColor(255, 149, 0)).paint(whole, parent, 6);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ASSERT_EQ(image.pixel(x, y),
                      core.contains(x, y) ? canvas().pixel(x, y) : whole.pixel(x, y))
                << x << "," << y;
}
