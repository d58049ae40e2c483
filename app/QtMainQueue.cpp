#include "QtMainQueue.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QTimer>

namespace tavelin {

QtMainQueue::QtMainQueue()
    : context_(std::make_unique<QObject>()) {}

QtMainQueue::~QtMainQueue() {
    // Work still queued may own the last reference to this queue (a task holding a session that
    // holds the queue). Such work is dropped only when the application goes, while Qt holds the
    // lock that deleting the context needs: then the context is left to the ending process.
    if (QCoreApplication::closingDown())
        (void)context_.release();
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
