#pragma once

#include "platform/Volumes.h"

#include <QString>

namespace tavelin {

// What the tray shows of the startup disk at a glance: a drive, or a warning triangle when it
// is low on space, with its free space; only the drive when there is no startup disk.
struct TrayLabel {
    const char* symbol = "internaldrive";
    QString freeText;
    bool isLow = false;
    // The free space in at most four characters, to draw into a tray icon: "45G", "4.5G".
    QString figure;

    static TrayLabel of(const platform::Volume* boot);
    // Bytes in the process's units with one letter, at most four characters: "512B", "4.5G",
    // "45G", "450G", "1T" (what rounds up to 1000 of a unit is shown in the next; binary units
    // step by 1024 but keep the four characters the same way).
    static QString compact(int64_t bytes);
};

} // namespace tavelin
