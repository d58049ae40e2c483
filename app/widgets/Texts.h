#pragma once

// Figures, names and texts as the interface shows them: core's formatters and Linux wordings,
// as Qt text.

#include "scan/Measure.h"
#include "util/Format.h"
#include "util/LinuxWordings.h"

#include <QString>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tavelin {

inline QString bytesText(int64_t bytes) {
    return QString::fromStdString(formatBytes(bytes));
}
inline QString countText(int64_t count) {
    return QString::fromStdString(formatCount(count));
}
// "1 file", "1,204 files".
inline QString countedText(int64_t count, std::string_view noun) {
    return QString::fromStdString(formatCounted(count, noun));
}
// A name in typographic quotes, as sentences about an item show it.
inline QString quoted(const std::string& name) {
    return QStringLiteral("“") + QString::fromStdString(name) + QStringLiteral("”");
}

// What the menus call a measure: "Size on Disk", "Space Freed by Deleting", "Apparent Size".
inline QString measureTitle(Measure measure) {
    switch (measure) {
    case Measure::unique:
        return QStringLiteral("Space Freed by Deleting");
    case Measure::apparent:
        return QStringLiteral("Apparent Size");
    case Measure::allocated:
        break;
    }
    return QStringLiteral("Size on Disk");
}

// A text written as first worded, naming a Mac-only thing; it must be listed in
// util/LinuxWordings.h, or the build fails. `linuxText` shows its Linux wording.
struct MacText {
    template <std::size_t N>
    consteval MacText(const char (&original)[N])
        : wording(linuxWording(std::string_view(original, N - 1))) {}
    std::string_view wording;
};

inline QString linuxText(MacText text) {
    return QString::fromUtf8(text.wording.data(), static_cast<qsizetype>(text.wording.size()));
}

} // namespace tavelin
