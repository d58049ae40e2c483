#include "advisor/reclaim/ReclaimGroup.h"

#include <algorithm>

namespace tavelin {

int64_t ReclaimGroup::freed() const {
    int64_t sum = 0;
    for (const ReclaimItem& item : items)
        if (!item.inUse)
            sum += item.node->unique;
    return sum;
}

int64_t ReclaimGroup::onDisk() const {
    int64_t sum = 0;
    for (const ReclaimItem& item : items)
        sum += item.node->size;
    return sum;
}

bool ReclaimGroup::allInUse() const {
    return std::ranges::all_of(items,
                               [](const ReclaimItem& item) { return item.inUse.has_value(); });
}

} // namespace tavelin
