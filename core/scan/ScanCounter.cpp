#include "scan/ScanCounter.h"

#include <utility>

namespace tavelin {

ScanCounter::Snapshot ScanCounter::snapshot() const {
    std::lock_guard guard(lock_);
    unread_ = false;
    return value_;
}

void ScanCounter::add(const Snapshot& delta, const std::string_view* path) {
    bool wasRead = false;
    {
        std::lock_guard guard(lock_);
        value_.files += delta.files;
        value_.bytes += delta.bytes;
        value_.unique += delta.unique;
        value_.apparent += delta.apparent;
        value_.errors += delta.errors;
        value_.excluded += delta.excluded;
        if (path)
            value_.path.assign(*path);
        wasRead = !std::exchange(unread_, true);
    }
    report(wasRead);
}

void ScanCounter::addErrors(int64_t errors) {
    bool wasRead = false;
    {
        std::lock_guard guard(lock_);
        value_.errors += errors;
        wasRead = !std::exchange(unread_, true);
    }
    report(wasRead);
}

// Told once per read: later changes are in the figures the reported read will take.
void ScanCounter::report(bool wasRead) {
    if (wasRead && reports_)
        reports_->add(job_);
}

} // namespace tavelin
