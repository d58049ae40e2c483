#include "QtMainQueue.h"

#include <QMetaObject>
#include <QTimer>

namespace tavelin {

QtMainQueue::QtMainQueue()
    : context_(std::make_unique<QObject>()) {}

QtMainQueue::~QtMainQueue() = default;

void QtMainQueue::post(std::function<void()> work) {
    QMetaObject::invokeMethod(context_.get(), std::move(work), Qt::QueuedConnection);
}

void QtMainQueue::postAfter(std::chrono::milliseconds delay, std::function<void()> work) {
    // Timers belong to a thread with an event loop, so the timer is started from the UI thread.
    QObject* context = context_.get();
    QMetaObject::invokeMethod(
        context,
        [context, delay, work = std::move(work)] {
            QTimer::singleShot(delay, Qt::PreciseTimer, context, work);
        },
        Qt::QueuedConnection);
}

} // namespace tavelin
