#include "util/ManualQueue.h"

namespace tavelin {

void ManualQueue::post(std::function<void()> work) {
    {
        std::lock_guard guard(lock_);
        ready_.push_back(std::move(work));
    }
    wake_.notify_all();
}

void ManualQueue::postAfter(std::chrono::milliseconds delay, std::function<void()> work) {
    {
        std::lock_guard guard(lock_);
        delayed_.emplace(std::pair{Clock::now() + delay, sequence_++}, std::move(work));
    }
    wake_.notify_all();
}

std::function<void()> ManualQueue::takeDue(std::unique_lock<std::mutex>& lock,
                                           Clock::time_point deadline) {
    for (;;) {
        auto now = Clock::now();
        // Delayed work that has come due joins the ready work in due order.
        while (!delayed_.empty() && delayed_.begin()->first.first <= now) {
            ready_.push_back(std::move(delayed_.begin()->second));
            delayed_.erase(delayed_.begin());
        }
        if (!ready_.empty()) {
            auto work = std::move(ready_.front());
            ready_.pop_front();
            return work;
        }
        if (now >= deadline)
            return {};
        auto until = deadline;
        if (!delayed_.empty() && delayed_.begin()->first.first < until)
            until = delayed_.begin()->first.first;
        wake_.wait_until(lock, until);
    }
}

bool ManualQueue::runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    auto deadline = Clock::now() + timeout;
    while (!done()) {
        std::function<void()> work;
        {
            std::unique_lock lock(lock_);
            work = takeDue(lock, deadline);
        }
        if (!work)
            return done();
        work();
    }
    return true;
}

int ManualQueue::runPending() {
    int count = 0;
    for (;;) {
        std::function<void()> work;
        {
            std::unique_lock lock(lock_);
            work = takeDue(lock, Clock::now());
        }
        if (!work)
            return count;
        work();
        ++count;
    }
}

} // namespace tavelin
