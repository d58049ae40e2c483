#include "model/QtMainQueue.h"

#include "support/Forked.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <thread>
#include <unistd.h>

using namespace tavelin;
using namespace std::chrono_literals;

TEST(QtMainQueue, RunsWorkFromOtherThreadsOnTheUiThreadInOrderAndInTimeButNotOnceGone) {
    QtMainQueue queue;
    std::vector<int> order;
    bool onUiThread = true;
    auto ui = std::this_thread::get_id();
    QElapsedTimer timer;
    timer.start();
    qint64 ranAfter = -1;
    std::thread worker([&] {
        queue.postAfter(80ms, [&] { ranAfter = timer.elapsed(); });
        for (int i = 0; i < 5; ++i)
            queue.post([&, i] {
                order.push_back(i);
                onUiThread = onUiThread && std::this_thread::get_id() == ui;
            });
    });
    worker.join();
    EXPECT_TRUE(QTest::qWaitFor([&] { return ranAfter >= 0; }, 5000));
    EXPECT_GE(ranAfter, 75);
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_TRUE(onUiThread);

    bool ran = false;
    {
        QtMainQueue gone;
        gone.post([&] { ran = true; });
        gone.postAfter(10ms, [&] { ran = true; });
    }
    QTest::qWait(50);
    EXPECT_FALSE(ran) << "work left when its queue goes never runs";
}

TEST(QtMainQueue, TheApplicationEndsWhenQueuedWorkHoldsTheLastReferenceToItsQueue) {
    // In a child, as the application object is destroyed for good.
    int status = test::runForked([] {
        ::alarm(10);
        auto queue = std::make_shared<QtMainQueue>();
        std::shared_ptr<MainQueue> held = queue;
        queue->post([held] {});
        queue->post([] {}); // still queued when the first is destroyed
        held.reset();
        queue.reset();
        delete QCoreApplication::instance();
        return 0;
    });
    EXPECT_EQ(status, 0) << "a negative status is the signal that ended a hung child";
}
