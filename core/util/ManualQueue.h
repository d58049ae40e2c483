#pragma once

// A MainQueue driven by hand: whoever calls runUntil becomes the UI thread for that call.
// Used by tests and by command-line tools that have no event loop of their own.
// Thread safety: post and postAfter may be called from any thread; runUntil from one thread only.

#include "util/MainQueue.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <utility>

namespace tavelin {

class ManualQueue final : public MainQueue {
public:
    using Clock = std::chrono::steady_clock;

    void post(std::function<void()> work) override;
    void postAfter(std::chrono::milliseconds delay, std::function<void()> work) override;

    // Runs posted work, waiting for more when none is due, until `done` holds (checked before
    // and after every piece of work) or `timeout` has passed. Returns whether `done` held.
    bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);
    // Runs the work that is due now, without waiting. Returns how many pieces ran.
    int runPending();

private:
    std::function<void()> takeDue(std::unique_lock<std::mutex>& lock, Clock::time_point deadline);

    std::mutex lock_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> ready_; // guarded by lock_
    std::multimap<std::pair<Clock::time_point, uint64_t>, std::function<void()>>
        delayed_;           // guarded by lock_
    uint64_t sequence_ = 0; // guarded by lock_; keeps equal due times in posting order
};

} // namespace tavelin
