#include "window/FlowLayout.h"

#include <algorithm>

namespace tavelin {

FlowLayout::FlowLayout(int spacing)
    : spacing_(spacing) {}

FlowLayout::~FlowLayout() {
    for (QLayoutItem* item : items_)
        delete item;
}

void FlowLayout::addItem(QLayoutItem* item) {
    items_.push_back(item);
}

int FlowLayout::count() const {
    return static_cast<int>(items_.size());
}

QLayoutItem* FlowLayout::itemAt(int index) const {
    return index >= 0 && index < count() ? items_[static_cast<size_t>(index)] : nullptr;
}

QLayoutItem* FlowLayout::takeAt(int index) {
    if (index < 0 || index >= count())
        return nullptr;
    QLayoutItem* item = items_[static_cast<size_t>(index)];
    items_.erase(items_.begin() + index);
    return item;
}

Qt::Orientations FlowLayout::expandingDirections() const {
    return {};
}

bool FlowLayout::hasHeightForWidth() const {
    return true;
}

int FlowLayout::heightForWidth(int width) const {
    return arrange(QRect(0, 0, width, 0), false);
}

QSize FlowLayout::minimumSize() const {
    // No width of its own: a long item must not widen the list; it gets the line's width.
    int height = 0;
    for (QLayoutItem* item : items_)
        height = std::max(height, item->minimumSize().height());
    QMargins margins = contentsMargins();
    return {margins.left() + margins.right(), height + margins.top() + margins.bottom()};
}

QSize FlowLayout::sizeHint() const {
    return minimumSize();
}

void FlowLayout::setGeometry(const QRect& rect) {
    QLayout::setGeometry(rect);
    arrange(rect, true);
}

int FlowLayout::arrange(const QRect& rect, bool place) const {
    QRect inside = rect.marginsRemoved(contentsMargins());
    int x = inside.x();
    int y = inside.y();
    int lineHeight = 0;
    for (QLayoutItem* item : items_) {
        if (item->isEmpty())
            continue;
        QSize hint = item->sizeHint();
        int width = std::min(hint.width(), std::max(inside.width(), 1));
        int height = item->hasHeightForWidth() ? item->heightForWidth(width) : hint.height();
        if (x > inside.x() && x + width > inside.right() + 1) {
            x = inside.x();
            y += lineHeight + spacing_;
            lineHeight = 0;
        }
        if (place)
            item->setGeometry(QRect(x, y, width, height));
        x += width + spacing_;
        lineHeight = std::max(lineHeight, height);
    }
    return y + lineHeight - rect.y() + contentsMargins().bottom();
}

} // namespace tavelin
