#pragma once

#include "platform/Volumes.h"

#include <QString>

namespace tavelin {

// What the tray shows of the startup disk at a glance: a drive, or a warning triangle when it
// is low on space, with its free space; only the drive when there is no startup disk.
struct TrayLabel {
    const char* symbol = "internaldrive";
    QString freeText;

    static TrayLabel of(const platform::Volume* boot);
};

} // namespace tavelin
