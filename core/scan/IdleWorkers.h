#pragma once

// The walkers a scan may still start. The session takes one to walk the batches of jobs it
// queues; a walker that sees one idle takes it for sub-folders it gives away, but only while no
// batch waits for a walker, which keeps the work in the order the session chose.
// Thread safety: lock-free; any member function from any thread.

#include <atomic>

namespace tavelin {

class IdleWorkers {
public:
    explicit IdleWorkers(int count)
        : idle_(count) {}

    // Lets more walkers run.
    void add(int count) { idle_.fetch_add(count, std::memory_order_release); }

    // Takes a worker for a job of the session's queue; false when none is idle.
    bool take() {
        int idle = idle_.load(std::memory_order_relaxed);
        while (idle > 0)
            if (idle_.compare_exchange_weak(idle, idle - 1, std::memory_order_acquire))
                return true;
        return false;
    }
    // Takes a worker for a walker's sub-folders; false when none is idle or a job waits.
    bool takeForSharing() { return !jobsWaiting_.load(std::memory_order_relaxed) && take(); }
    // Cheap enough to ask before each sub-folder a walker enters.
    bool wantedForSharing() const {
        return !jobsWaiting_.load(std::memory_order_relaxed) &&
               idle_.load(std::memory_order_relaxed) > 0;
    }
    void release() { idle_.fetch_add(1, std::memory_order_release); }
    void setJobsWaiting(bool waiting) { jobsWaiting_.store(waiting, std::memory_order_relaxed); }

private:
    std::atomic<int> idle_;
    std::atomic<bool> jobsWaiting_{false};
};

} // namespace tavelin
