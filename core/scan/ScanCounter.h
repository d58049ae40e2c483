#pragma once

// The live figures of one scan job, published by its walker every 4,096 entries and read by the
// session for progress. Thread safety: `value_` is guarded by `lock_`.

#include <cstdint>
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
        int64_t errors = 0;
        std::string path; // the folder being walked at the last publication; empty at first
    };

    Snapshot snapshot() const;
    // Adds the figures; replaces the path when one is given.
    void add(const Snapshot& delta, const std::string_view* path = nullptr);
    void addErrors(int64_t errors);

private:
    mutable std::mutex lock_;
    Snapshot value_; // guarded by lock_
};

} // namespace tavelin
