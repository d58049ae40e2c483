#pragma once

// The user-interface thread as core sees it: work posted here runs on that thread, in order.
// The app implements it on its event loop; tests and command-line tools use ManualQueue.

#include <chrono>
#include <functional>

namespace tavelin {

class MainQueue {
public:
    virtual ~MainQueue() = default;
    // Runs `work` on the UI thread after everything posted before it. Callable from any thread.
    virtual void post(std::function<void()> work) = 0;
    // Runs `work` on the UI thread once `delay` has passed. Callable from any thread.
    virtual void postAfter(std::chrono::milliseconds delay, std::function<void()> work) = 0;
};

} // namespace tavelin
