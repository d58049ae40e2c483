#pragma once

// A fixed set of background threads that run submitted tasks in submission order.
// Destroying the pool finishes the tasks already submitted, then joins the threads; a task
// that held the last reference to the pool lets its own thread end on its own instead.
// Thread safety: submit may be called from any thread.

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
    int threadCount() const { return static_cast<int>(threads_.size()); }

private:
    // What the threads share, so that a thread can outlive the pool it belonged to.
    struct Shared {
        std::mutex lock;
        std::condition_variable wake;
        std::deque<std::function<void()>> tasks; // guarded by lock
        bool stopping = false;                   // guarded by lock
    };

    static void run(Shared& shared);

    std::shared_ptr<Shared> shared_ = std::make_shared<Shared>();
    std::vector<std::thread> threads_;
};

} // namespace tavelin
