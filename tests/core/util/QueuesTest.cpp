#include "util/ManualQueue.h"
#include "util/ParallelFor.h"
#include "util/WorkerPool.h"

#include <algorithm>
#include <atomic>
#include <future>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

using namespace tavelin;
using namespace std::chrono_literals;

TEST(ManualQueue, RunsWorkOnTheCallingThreadInOrderDelayedWorkWhenDueUntilTheDeadline) {
    ManualQueue queue;
    std::vector<std::string> order;
    auto caller = std::this_thread::get_id();
    bool sameThread = true;
    auto run = [&](std::string name) {
        return [&, name] {
            order.push_back(name);
            sameThread = sameThread && std::this_thread::get_id() == caller;
        };
    };
    queue.postAfter(60ms, run("late"));
    queue.postAfter(20ms, run("early"));
    queue.postAfter(20ms, run("early, posted second"));
    queue.post(run("now"));
    queue.post(run("now, posted second"));
    EXPECT_EQ(queue.runPending(), 2);
    EXPECT_TRUE(queue.runUntil([&] { return order.size() == 5; }, 2s));
    EXPECT_EQ(order, (std::vector<std::string>{"now", "now, posted second", "early",
                                               "early, posted second", "late"}));
    EXPECT_TRUE(sameThread);

    queue.postAfter(10s, run("too late"));
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(queue.runUntil([&] { return order.size() == 6; }, 50ms));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 50ms);
    EXPECT_EQ(order.size(), 5u);
}

TEST(WorkerPool, RunsTasksOffTheCallerFinishesThemStartsThreadsWhenNoneIsIdleAndMayBeLetGoByOne) {
    std::atomic<int> count = 0;
    std::atomic<bool> offCaller = true;
    auto caller = std::this_thread::get_id();
    {
        WorkerPool pool(2);
        for (int i = 0; i < 100; ++i)
            pool.submit([&] {
                if (std::this_thread::get_id() == caller)
                    offCaller = false;
                ++count;
            });
    }
    EXPECT_EQ(count, 100);
    EXPECT_TRUE(offCaller);

    // Tasks that only finish together, one submitted by another: each needs a thread of its own.
    constexpr int kTasks = 3;
    std::atomic<int> arrived = 0, met = 0;
    std::promise<void> all;
    std::shared_future<void> together = all.get_future().share();
    auto task = [&] {
        if (++arrived == kTasks)
            all.set_value();
        if (together.wait_for(10s) == std::future_status::ready)
            ++met;
    };
    {
        WorkerPool pool(kTasks);
        pool.submit(task);
        pool.submit([&] {
            pool.submit(task);
            task();
        });
        together.wait_for(10s); // a pool going away starts no more threads
    }
    EXPECT_EQ(met, kTasks);

    // A task holding the last reference to its pool lets it go, as a scan session does that a
    // pass still reads when its window closes.
    struct Holder {
        std::shared_ptr<WorkerPool> pool;
        std::promise<void>* gone;
        ~Holder() {
            pool.reset();
            gone->set_value();
        }
    };
    std::promise<void> gone;
    std::promise<void> released;
    auto pool = std::make_shared<WorkerPool>(2);
    std::atomic<int> ran = 0;
    auto holder = std::make_shared<Holder>();
    holder->pool = pool;
    holder->gone = &gone;
    pool->submit(
        [holder = std::move(holder), wait = released.get_future().share()] { wait.wait(); });
    pool->submit([&ran] { ++ran; });
    pool.reset();
    released.set_value();
    EXPECT_EQ(gone.get_future().wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(ran, 1) << "what was submitted still runs";
}

TEST(ParallelFor, CallsTheBodyOnceForEveryIndexAndFinishesWhenEveryPoolThreadIsBusy) {
    WorkerPool pool(1);
    std::vector<std::atomic<int>> calls(1'000);
    parallelFor(&pool, calls.size(), [&](size_t i) { ++calls[i]; });
    EXPECT_TRUE(std::all_of(calls.begin(), calls.end(), [](const auto& n) { return n == 1; }));
    parallelFor(nullptr, 3, [&](size_t i) { ++calls[i]; });
    EXPECT_EQ(calls[2], 2) << "without a pool the caller does the work";

    // The pool's one thread runs a task that itself spreads work over the same pool.
    std::promise<void> done;
    pool.submit([&] {
        parallelFor(&pool, 10, [&](size_t i) { ++calls[i]; });
        done.set_value();
    });
    ASSERT_EQ(done.get_future().wait_for(10s), std::future_status::ready);
    EXPECT_EQ(calls[9], 2);
}
