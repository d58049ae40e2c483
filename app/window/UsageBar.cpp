#include "window/UsageBar.h"

#include "widgets/Texts.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace tavelin {

UsageBar::UsageBar(QWidget* parent)
    : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void UsageBar::set(int64_t capacity, std::vector<Part> parts) {
    capacity_ = capacity;
    parts_ = std::move(parts);
    QStringList tips;
    for (const Part& part : parts_)
        tips << part.name + QStringLiteral(": ") + bytesText(part.bytes);
    setToolTip(tips.join(QLatin1Char('\n')));
    update();
}

std::vector<double> UsageBar::widths(double width) const {
    std::vector<double> result;
    double left = width;
    for (const Part& part : parts_) {
        double share = capacity_ > 0 ? static_cast<double>(std::max<int64_t>(part.bytes, 0)) /
                                           static_cast<double>(capacity_)
                                     : 0.0;
        double span = std::min(share * width, left);
        result.push_back(span);
        left -= span;
    }
    return result;
}

QSize UsageBar::sizeHint() const {
    return {240, 14};
}

void UsageBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QRectF track = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath rounded;
    rounded.addRoundedRect(track, 4, 4);
    painter.setClipPath(rounded);
    painter.fillRect(track, palette().color(QPalette::Midlight));
    double x = track.left();
    std::vector<double> spans = widths(track.width());
    for (size_t at = 0; at < parts_.size(); ++at) {
        // A part without a colour of its own (the free space) shows the track.
        if (parts_[at].color.isValid())
            painter.fillRect(QRectF(x, track.top(), spans[at], track.height()), parts_[at].color);
        x += spans[at];
    }
}

} // namespace tavelin
