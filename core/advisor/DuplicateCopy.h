#pragma once

// One file of a set of identical files, as a duplicates suggestion carries it: the user sees
// every copy and may choose which one stays, and the set's step is made again from these.

#include "platform/FileIdentity.h"
#include "util/Sha256.h"

#include <cstdint>

namespace tavelin {

struct DuplicateCopy {
    platform::FileIdentity identity;
    int64_t onDisk = 0;    // the allocated size the set was judged by
    Sha256Digest digest{}; // of its content when it was found identical to the others
    bool kept = false;     // the copy that stays

    bool operator==(const DuplicateCopy&) const = default;
};

} // namespace tavelin
