#include "scan/LinkSet.h"

namespace tavelin {

bool LinkSet::insert(Key key) {
    std::lock_guard guard(lock_);
    return seen_.insert(key).second;
}

} // namespace tavelin
