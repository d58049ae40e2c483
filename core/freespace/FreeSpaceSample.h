#pragma once

#include "util/Dates.h"

#include <cstdint>

namespace tavelin {

// One reading of a disk's free space.
struct FreeSpaceSample {
    Date date;
    int64_t free = 0;
    int64_t total = 0;
    bool operator==(const FreeSpaceSample&) const = default;
};

} // namespace tavelin
