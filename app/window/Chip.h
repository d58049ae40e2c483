#pragma once

// A small rounded label: a rung's chip with its dot colour, or a neutral one for evidence.

#include "advisor/Rung.h"

#include <QColor>
#include <QString>
#include <optional>

class QLabel;
class QWidget;

namespace tavelin {

QColor dotColor(DotColour colour);
QLabel* makeChip(const QString& text, std::optional<DotColour> colour);
// A neutral chip as wide as its text, that wraps where its line is narrower.
QLabel* makeWrappingChip(const QString& text, QWidget* parent);
// Gives any label the chip's look.
void styleAsChip(QLabel* label, std::optional<DotColour> colour);

} // namespace tavelin
