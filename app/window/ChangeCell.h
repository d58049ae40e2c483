#pragma once

// How a change in size reads wherever the window shows one: a signed byte count, orange for
// growth and green for anything that did not grow.

#include <QColor>
#include <QString>
#include <cstdint>
#include <optional>

namespace tavelin {

struct ChangeCell {
    // Growth smaller than this reads as no change in the item table.
    static constexpr int64_t kThreshold = 1'000'000;

    QString text;
    QColor color;

    // The item table's cell for a node's growth; nothing without growth or below the threshold.
    static std::optional<ChangeCell> of(std::optional<int64_t> growth);

    // "+1.5 MB" for growth, "−1.5 MB" (minus sign) for zero or less.
    static QString signedBytes(int64_t delta);
    static QColor colorOf(int64_t delta);
};

} // namespace tavelin
