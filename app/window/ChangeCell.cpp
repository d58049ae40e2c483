#include "window/ChangeCell.h"

#include "widgets/Texts.h"

#include <cstdlib>

namespace tavelin {

std::optional<ChangeCell> ChangeCell::of(std::optional<int64_t> growth) {
    if (!growth || std::llabs(*growth) < kThreshold)
        return std::nullopt;
    return ChangeCell{signedBytes(*growth), colorOf(*growth)};
}

QString ChangeCell::signedBytes(int64_t delta) {
    QString sign = delta > 0 ? QStringLiteral("+") : QStringLiteral("\u2212");
    return sign + bytesText(std::llabs(delta));
}

QColor ChangeCell::colorOf(int64_t delta) {
    return delta > 0 ? QColor(0xff, 0x95, 0x00) : QColor(0x34, 0xc7, 0x59);
}

} // namespace tavelin
