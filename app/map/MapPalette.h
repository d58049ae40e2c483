#pragma once

// The map's colours, in one place: the ten tile colours indexed by a tile's `colorIndex`
// (crisp equivalents of the standard system colours, light appearance) and the neutral tones
// the renderer mixes over them.

#include <QColor>
#include <array>

namespace tavelin::MapPalette {

// Blue, purple, pink, orange, teal, indigo, green, red, brown, cyan.
inline constexpr std::array<QRgb, 10> kTileColors{
    0xff007aff, 0xffaf52de, 0xffff2d55, 0xffff9500, 0xff30b0c7,
    0xff5856d6, 0xff34c759, 0xffff3b30, 0xffa2845e, 0xff32ade6,
};

inline constexpr QRgb kSystemGrey = 0xff8e8e93;
inline constexpr QRgb kSearchYellow = 0xffffcc00;

// The tile colour for a colour slot; negative slots wrap like positive ones.
QColor tileColor(int colorIndex);

// `over` at `opacity` composited onto the opaque colour `under` (source-over).
QColor blend(const QColor& under, const QColor& over, double opacity);

// A grey of the given white level (0 black, 1 white).
QColor whiteLevel(double level);

} // namespace tavelin::MapPalette
