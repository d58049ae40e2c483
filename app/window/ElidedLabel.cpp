#include "window/ElidedLabel.h"

#include <algorithm>

namespace tavelin {

ElidedLabel::ElidedLabel(QString text, Qt::TextElideMode mode, QWidget* parent)
    : QLabel(parent)
    , full_(std::move(text))
    , mode_(mode) {
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    setText(full_);
}

QSize ElidedLabel::sizeHint() const {
    QSize hint = QLabel::sizeHint();
    hint.rwidth() +=
        fontMetrics().horizontalAdvance(full_) - fontMetrics().horizontalAdvance(text());
    return hint;
}

void ElidedLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    if (width() >= sizeHint().width()) {
        setText(full_);
        return;
    }
    // Padding and frame take their share of the width before the text does.
    int around = QLabel::sizeHint().width() - fontMetrics().horizontalAdvance(text());
    setText(fontMetrics().elidedText(full_, mode_, width() - std::max(around, 0)));
}

} // namespace tavelin
