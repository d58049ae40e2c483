#pragma once

// Figures as the interface shows them: core's formatters, as Qt text.

#include "util/Format.h"

#include <QString>
#include <cstdint>

namespace tavelin {

inline QString bytesText(int64_t bytes) {
    return QString::fromStdString(formatBytes(bytes));
}
inline QString countText(int64_t count) {
    return QString::fromStdString(formatCount(count));
}

} // namespace tavelin
