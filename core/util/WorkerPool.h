#pragma once

// A set of background threads that run submitted tasks in submission order. Threads start as
// tasks arrive that no idle thread can take, up to the pool's size, so a pool that is given
// little to do starts few. Destroying the pool finishes the tasks already submitted, then joins
// the threads; a task that held the last reference to the pool lets its own thread end on its
// own instead.
// Thread safety: submit may be called from any thread, tasks of the pool included.

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
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
    // The most threads the pool runs at once.
    int threadCount() const { return size_; }

private:
    // What the threads share, so that a thread can outlive the pool it belonged to.
    struct Shared {
        std::mutex lock;
        std::condition_variable wake;
        std::deque<std::function<void()>> tasks; // guarded by lock
        bool stopping = false;                   // guarded by lock
        int idle = 0;                            // guarded by lock: threads waiting for a task
    };

    static void run(Shared& shared);

    const int size_;
    std::shared_ptr<Shared> shared_ = std::make_shared<Shared>();
    std::vector<std::thread> threads_; // guarded by shared_->lock
};

} // namespace tavelin
