#include "scan/ScanCounter.h"

namespace tavelin {

ScanCounter::Snapshot ScanCounter::snapshot() const {
    std::lock_guard guard(lock_);
    return value_;
}

void ScanCounter::add(const Snapshot& delta, const std::string_view* path) {
    std::lock_guard guard(lock_);
    value_.files += delta.files;
    value_.bytes += delta.bytes;
    value_.unique += delta.unique;
    value_.errors += delta.errors;
    if (path)
        value_.path.assign(*path);
}

void ScanCounter::addErrors(int64_t errors) {
    std::lock_guard guard(lock_);
    value_.errors += errors;
}

} // namespace tavelin
