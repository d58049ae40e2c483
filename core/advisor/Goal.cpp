#include "advisor/Goal.h"

namespace tavelin {

Goal Goal::forDisk(int64_t total, int64_t free) {
    int64_t needed = static_cast<int64_t>(static_cast<double>(total) * 0.15) - free;
    if (needed < 1)
        return asMuchAsSafe();
    for (int64_t step : kSteps)
        if (step >= needed)
            return bytes(step);
    return bytes(kSteps.back());
}

} // namespace tavelin
