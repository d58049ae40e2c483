#pragma once

// Figures and names as the interface shows them: core's formatters, as Qt text.

#include "util/Format.h"

#include <QString>
#include <cstdint>
#include <string>

namespace tavelin {

inline QString bytesText(int64_t bytes) {
    return QString::fromStdString(formatBytes(bytes));
}
inline QString countText(int64_t count) {
    return QString::fromStdString(formatCount(count));
}
// A name in typographic quotes, as sentences about an item show it.
inline QString quoted(const std::string& name) {
    return QStringLiteral("“") + QString::fromStdString(name) + QStringLiteral("”");
}

} // namespace tavelin
