#include "util/WorkerPool.h"

#include <algorithm>

namespace tavelin {

WorkerPool::WorkerPool(int threads)
    : size_(std::max(threads, 1)) {}

WorkerPool::~WorkerPool() {
    std::vector<std::thread> threads;
    {
        std::lock_guard guard(shared_->lock);
        shared_->stopping = true;
        threads.swap(threads_);
    }
    shared_->wake.notify_all();
    for (auto& thread : threads) {
        // Released by one of its own tasks: that thread cannot wait for itself, and goes on
        // with the remaining tasks on the shared state it holds.
        if (thread.get_id() == std::this_thread::get_id())
            thread.detach();
        else
            thread.join();
    }
}

void WorkerPool::submit(std::function<void()> task) {
    {
        std::lock_guard guard(shared_->lock);
        shared_->tasks.push_back(std::move(task));
        // Once stopping, the threads there are drain what is left.
        if (!shared_->stopping && shared_->tasks.size() > static_cast<size_t>(shared_->idle) &&
            threads_.size() < static_cast<size_t>(size_))
            threads_.emplace_back([shared = shared_] { run(*shared); });
    }
    shared_->wake.notify_one();
}

void WorkerPool::run(Shared& shared) {
    for (;;) {
        std::function<void()> task;
        {
            std::unique_lock lock(shared.lock);
            ++shared.idle;
            shared.wake.wait(lock, [&] { return shared.stopping || !shared.tasks.empty(); });
            --shared.idle;
            if (shared.tasks.empty())
                return;
            task = std::move(shared.tasks.front());
            shared.tasks.pop_front();
        }
        task();
    }
}

} // namespace tavelin
