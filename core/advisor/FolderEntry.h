#pragma once

// One entry of a folder as a detector lists it for itself: the scan folds files under the
// large-file threshold into their folder's figures, so detectors that judge files by name read
// the few folders they know.

#include "util/Dates.h"

#include <cstdint>
#include <string>

namespace tavelin {

struct FolderEntry {
    std::string name;
    bool isFolder = false;
    int64_t size = 0;   // allocated bytes
    int64_t unique = 0; // bytes deleting it would free
    Date modified = kDistantPast;

    bool operator==(const FolderEntry&) const = default;
};

} // namespace tavelin
