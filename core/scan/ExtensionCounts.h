#pragma once

// One walker's bytes and files per extension, under the keys ExtensionTally files them by, made
// for the walker's inner loop: an extension of ASCII characters is lower-cased into two words
// that key a flat table, so counting a file costs a multiply and a compare rather than hashing
// and comparing a string. Extensions beyond ASCII take ExtensionTally's own way.
// Not synchronised: one per walker.

#include "scan/ExtensionTally.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace tavelin {

class ExtensionCounts {
public:
    ExtensionCounts();

    // Counts one file, as ExtensionTally::add does.
    void add(std::string_view name, int64_t bytes, int64_t apparent);
    // Adds everything counted to `tally`.
    void addTo(ExtensionTally& tally) const;

private:
    struct Slot {
        uint64_t low = 0;  // the key's first eight bytes
        uint64_t high = 0; // its next four, its length and a mark of use; 0 in a free slot
        ExtensionTally::Entry entry;
    };

    Slot& slotFor(uint64_t low, uint64_t high);
    void grow();

    std::vector<Slot> slots_; // open addressing; a power of two, at most half full
    size_t used_ = 0;
    ExtensionTally beyondAscii_;
};

} // namespace tavelin
