#include "history/Change.h"

#include "util/Paths.h"

#include <limits>

namespace tavelin {

int64_t Change::delta() const {
    int64_t from = before.value_or(0);
    int64_t to = after.value_or(0);
    int64_t difference = 0;
    if (__builtin_sub_overflow(to, from, &difference))
        return to > from ? std::numeric_limits<int64_t>::max()
                         : std::numeric_limits<int64_t>::min();
    return difference;
}

std::string Change::name() const {
    return path.empty() ? "Everything" : lastPathComponent(path);
}

} // namespace tavelin
