#include "history/Change.h"

#include "util/Paths.h"

namespace tavelin {

std::string Change::name() const {
    return path.empty() ? "Everything" : lastPathComponent(path);
}

} // namespace tavelin
