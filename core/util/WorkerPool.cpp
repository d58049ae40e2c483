#include "util/WorkerPool.h"

#include <algorithm>

namespace tavelin {

WorkerPool::WorkerPool(int threads) {
    threads = std::max(threads, 1);
    threads_.reserve(static_cast<size_t>(threads));
    for (int i = 0; i < threads; ++i)
        threads_.emplace_back([shared = shared_] { run(*shared); });
}

WorkerPool::~WorkerPool() {
    {
        std::lock_guard guard(shared_->lock);
        shared_->stopping = true;
    }
    shared_->wake.notify_all();
    for (auto& thread : threads_) {
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
    }
    shared_->wake.notify_one();
}

void WorkerPool::run(Shared& shared) {
    for (;;) {
        std::function<void()> task;
        {
            std::unique_lock lock(shared.lock);
            shared.wake.wait(lock, [&] { return shared.stopping || !shared.tasks.empty(); });
            if (shared.tasks.empty())
                return;
            task = std::move(shared.tasks.front());
            shared.tasks.pop_front();
        }
        task();
    }
}

} // namespace tavelin
