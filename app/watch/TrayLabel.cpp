#include "watch/TrayLabel.h"

#include "freespace/Alerts.h"
#include "widgets/Texts.h"

#include <array>
#include <cmath>

namespace tavelin {

TrayLabel TrayLabel::of(const platform::Volume* boot) {
    if (!boot)
        return {};
    bool low = Alerts::isLow(boot->free, boot->total);
    return {low ? "exclamationmark.triangle.fill" : "internaldrive", bytesText(boot->free), low,
            compact(boot->free)};
}

QString TrayLabel::compact(int64_t bytes) {
    static constexpr std::array<char, 7> kUnits{'B', 'K', 'M', 'G', 'T', 'P', 'E'};
    double value = static_cast<double>(std::max<int64_t>(bytes, 0));
    auto step = static_cast<double>(byteUnit(1).size);
    size_t unit = 0;
    // Below ten a unit keeps one decimal; the limits are where rounding reaches the next step.
    while (unit + 1 < kUnits.size() && value >= 999.5) {
        value /= step;
        ++unit;
    }
    QString number = unit > 0 && value < 9.95 ? QString::number(value, 'f', 1)
                                              : QString::number(std::llround(value));
    if (number.endsWith(QLatin1String(".0")))
        number.chop(2);
    return number + QLatin1Char(kUnits[unit]);
}

} // namespace tavelin
