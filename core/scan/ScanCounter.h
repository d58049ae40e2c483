#pragma once

// The live figures of one scan job, published by its walker every 4,096 entries and read by the
// session for progress. A counter made for a job tells the scan's reports the first time it
// changes after each read, so the session reads only counters that changed.
// Thread safety: `value_` and `unread_` are guarded by `lock_`, which is released before the
// reports are told.

#include "scan/ScanReports.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace tavelin {

class ScanCounter {
public:
    struct Snapshot {
        int64_t files = 0;
        int64_t bytes = 0;
        int64_t unique = 0;
        int64_t apparent = 0;
        int64_t errors = 0;
        int64_t excluded = 0; // entries left out by the user's exclusions
        std::string path;     // the folder being walked at the last publication; empty at first
    };

    ScanCounter() = default;
    ScanCounter(std::shared_ptr<ScanReports> reports, int job)
        : reports_(std::move(reports))
        , job_(job) {}

    // A copy of the figures; the next change is reported again.
    Snapshot snapshot() const;
    // Adds the figures; replaces the path when one is given.
    void add(const Snapshot& delta, const std::string_view* path = nullptr);
    void addErrors(int64_t errors);

private:
    void report(bool wasRead);

    const std::shared_ptr<ScanReports> reports_;
    const int job_ = 0;
    mutable std::mutex lock_;
    Snapshot value_;              // guarded by lock_
    mutable bool unread_ = false; // guarded by lock_
};

} // namespace tavelin
