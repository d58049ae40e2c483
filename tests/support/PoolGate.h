#pragma once

// Holds a pool's threads: work submitted after the gate waits until it opens.

#include "util/WorkerPool.h"

#include <future>

namespace tavelin::test {

class PoolGate {
public:
    explicit PoolGate(WorkerPool& pool) {
        for (int i = 0; i < pool.threadCount(); ++i)
            pool.submit([opened = opened_] { opened.wait(); });
    }
    ~PoolGate() { open(); }
    PoolGate(const PoolGate&) = delete;
    PoolGate& operator=(const PoolGate&) = delete;
    void open() {
        if (!isOpen_)
            open_.set_value();
        isOpen_ = true;
    }

private:
    std::promise<void> open_;
    std::shared_future<void> opened_ = open_.get_future().share();
    bool isOpen_ = false;
};

} // namespace tavelin::test
