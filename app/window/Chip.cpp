#include "window/Chip.h"

#include <QLabel>

namespace tavelin {
namespace {

// Asks for the width of its text on one line; given less, it wraps onto more lines.
class WrappingLabel : public QLabel {
public:
    using QLabel::QLabel;

    QSize sizeHint() const override {
        QMargins margins = contentsMargins();
        int width = fontMetrics().horizontalAdvance(text()) + margins.left() + margins.right() +
                    2 * frameWidth() + 1;
        return {width, heightForWidth(width)};
    }
};

} // namespace

QColor dotColor(DotColour colour) {
    switch (colour) {
    case DotColour::green:
        return QColor(52, 168, 83);
    case DotColour::teal:
        return QColor(0, 150, 160);
    case DotColour::orange:
        return QColor(230, 126, 34);
    case DotColour::blue:
        return QColor(52, 120, 220);
    case DotColour::pink:
        return QColor(220, 70, 140);
    }
    return {};
}

QLabel* makeChip(const QString& text, std::optional<DotColour> colour) {
    auto* chip = new QLabel(text);
    styleAsChip(chip, colour);
    return chip;
}

QLabel* makeWrappingChip(const QString& text, QWidget* parent) {
    auto* chip = new WrappingLabel(text, parent);
    chip->setWordWrap(true);
    styleAsChip(chip, std::nullopt);
    return chip;
}

void styleAsChip(QLabel* label, std::optional<DotColour> colour) {
    label->setObjectName(QStringLiteral("chip"));
    QColor tint = colour ? dotColor(*colour) : QColor(128, 128, 128);
    label->setStyleSheet(
        QStringLiteral("QLabel { border-radius: 6px; padding: 1px 6px; "
                       "background: rgba(%1, %2, %3, 40); color: %4; }")
            .arg(tint.red())
            .arg(tint.green())
            .arg(tint.blue())
            .arg(colour ? tint.darker(130).name() : QStringLiteral("palette(text)")));
}

} // namespace tavelin
