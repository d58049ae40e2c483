#include "map/MapPalette.h"

#include <cmath>

namespace tavelin::MapPalette {

QColor tileColor(int colorIndex) {
    int slot = colorIndex % static_cast<int>(kTileColors.size());
    if (slot < 0)
        slot += static_cast<int>(kTileColors.size());
    return QColor::fromRgb(kTileColors[static_cast<size_t>(slot)]);
}

QColor blend(const QColor& under, const QColor& over, double opacity) {
    auto mix = [opacity](double a, double b) { return a * (1 - opacity) + b * opacity; };
    return QColor::fromRgbF(static_cast<float>(mix(under.redF(), over.redF())),
                            static_cast<float>(mix(under.greenF(), over.greenF())),
                            static_cast<float>(mix(under.blueF(), over.blueF())));
}

QColor whiteLevel(double level) {
    auto value = static_cast<float>(level);
    return QColor::fromRgbF(value, value, value);
}

} // namespace tavelin::MapPalette
