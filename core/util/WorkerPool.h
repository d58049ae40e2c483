#pragma once

// A fixed set of background threads that run submitted tasks in submission order.
// Destroying the pool finishes the tasks already submitted, then joins the threads.
// Thread safety: submit may be called from any thread.

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace tavelin {

class WorkerPool {
public:
    explicit WorkerPool(int threads);
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    void submit(std::function<void()> task);
    int threadCount() const { return static_cast<int>(threads_.size()); }

private:
    void run();

    std::mutex lock_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> tasks_; // guarded by lock_
    bool stopping_ = false;                   // guarded by lock_
    std::vector<std::thread> threads_;
};

} // namespace tavelin
