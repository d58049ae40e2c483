#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tavelin {

// One folder or file that grew or shrank between two scan records of a location.
struct Change {
    std::string path;              // relative to the scanned root, as a record keys it
    std::optional<int64_t> before; // absent for a new item
    std::optional<int64_t> after;  // absent for an item that is gone (or fell below its floor)

    // Growth in bytes; a new or gone item counts with its full size. Saturates: records can be
    // edited by hand, so the figures may be anything.
    int64_t delta() const;
    // "Everything" for the root; otherwise the last path component.
    std::string name() const;
};

} // namespace tavelin
