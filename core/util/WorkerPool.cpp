#include "util/WorkerPool.h"

#include <algorithm>

namespace tavelin {

WorkerPool::WorkerPool(int threads) {
    threads = std::max(threads, 1);
    threads_.reserve(static_cast<size_t>(threads));
    for (int i = 0; i < threads; ++i)
        threads_.emplace_back([this] { run(); });
}

WorkerPool::~WorkerPool() {
    {
        std::lock_guard guard(lock_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (auto& thread : threads_)
        thread.join();
}

void WorkerPool::submit(std::function<void()> task) {
    {
        std::lock_guard guard(lock_);
        tasks_.push_back(std::move(task));
    }
    wake_.notify_one();
}

void WorkerPool::run() {
    for (;;) {
        std::function<void()> task;
        {
            std::unique_lock lock(lock_);
            wake_.wait(lock, [this] { return stopping_ || !tasks_.empty(); });
            if (tasks_.empty())
                return;
            task = std::move(tasks_.front());
            tasks_.pop_front();
        }
        task();
    }
}

} // namespace tavelin
