#pragma once

// Windows open whole on small screens: never larger than the screen's free area, less the
// room the desktop's title bar takes.

#include <QRect>
#include <QSize>

namespace tavelin {

inline QSize withinScreen(QSize wanted, const QRect& available) {
    constexpr int kTitleBar = 40;
    return wanted.boundedTo(QSize(available.width(), available.height() - kTitleBar));
}

} // namespace tavelin
