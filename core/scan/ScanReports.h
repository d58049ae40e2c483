#pragma once

// The jobs of a scan whose counters have news since the session last read them, so that a
// refresh of the totals costs what changed rather than what runs.
// Thread safety: any member function from any thread; `jobs_` is guarded by `lock_`, which is
// never held while another scan lock is.

#include <mutex>
#include <vector>

namespace tavelin {

class ScanReports {
public:
    void add(int job) {
        std::lock_guard guard(lock_);
        jobs_.push_back(job);
    }
    // Moves the jobs reported since the last call into `into` (emptied first), in report order.
    void take(std::vector<int>& into) {
        into.clear();
        std::lock_guard guard(lock_);
        into.swap(jobs_);
    }

private:
    std::mutex lock_;
    std::vector<int> jobs_; // guarded by lock_
};

} // namespace tavelin
