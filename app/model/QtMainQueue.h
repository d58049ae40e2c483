#pragma once

// The UI thread's event loop as core's MainQueue. Posted work runs on the thread that created
// the queue; work still queued when the queue is destroyed never runs.

#include "util/MainQueue.h"

#include <QObject>
#include <memory>

namespace tavelin {

class QtMainQueue final : public MainQueue {
public:
    QtMainQueue();
    ~QtMainQueue() override;

    void post(std::function<void()> work) override;
    void postAfter(std::chrono::milliseconds delay, std::function<void()> work) override;

private:
    std::unique_ptr<QObject> context_;
};

} // namespace tavelin
