#include "util/ParallelFor.h"

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace tavelin {
namespace {

// Shared with the helpers, which may outlive the call: they hold it until they return.
// Thread safety: `next_` and `finished_` are guarded by `lock_`.
class Range {
public:
    Range(size_t count, std::function<void(size_t)> body)
        : count_(count)
        , body_(std::move(body)) {}

    void work() {
        for (;;) {
            size_t index;
            {
                std::lock_guard guard(lock_);
                if (next_ == count_)
                    return;
                index = next_++;
            }
            body_(index);
            std::lock_guard guard(lock_);
            if (++finished_ == count_)
                done_.notify_all();
        }
    }

    void wait() {
        std::unique_lock lock(lock_);
        done_.wait(lock, [this] { return finished_ == count_; });
    }

private:
    const size_t count_;
    const std::function<void(size_t)> body_;
    std::mutex lock_;
    std::condition_variable done_;
    size_t next_ = 0;     // guarded by lock_
    size_t finished_ = 0; // guarded by lock_
};

} // namespace

void parallelFor(WorkerPool* pool, size_t count, std::function<void(size_t)> body) {
    if (count == 0)
        return;
    auto range = std::make_shared<Range>(count, std::move(body));
    size_t helpers = pool ? std::min(static_cast<size_t>(pool->threadCount()), count - 1) : 0;
    for (size_t i = 0; i < helpers; ++i)
        pool->submit([range] { range->work(); });
    range->work();
    range->wait();
}

} // namespace tavelin
