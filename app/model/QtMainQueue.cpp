#include "model/QtMainQueue.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QTimer>

namespace tavelin {

QtMainQueue::QtMainQueue()
    : context_(std::make_unique<QObject>()) {}

QtMainQueue::~QtMainQueue() {
    // When the application ends, work still queued is destroyed with Qt's list of posted events
    // locked. If that work held the last reference to this queue, deleting the context would
    // lock the list again and the process would never end; it is ending anyway, so the context
    // is left to it.
    if (QCoreApplication::closingDown())
        static_cast<void>(context_.release());
}

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
