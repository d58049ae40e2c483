#include "model/AccessFlow.h"

#include "widgets/SettingsKeys.h"

#include <QSettings>

namespace tavelin {

AccessFlow::AccessFlow(std::function<bool()> probe, QObject* parent)
    : QObject(parent)
    , probe_(std::move(probe))
    , granted_(probe_()) {
    poll_.setInterval(kPollInterval);
    connect(&poll_, &QTimer::timeout, this, [this] {
        if (asking_)
            recheck();
        else
            poll_.stop();
    });
}

bool AccessFlow::asksBeforeSkipping() const {
    return !granted_ && !QSettings().value(SettingsKeys::scansWithoutAccess, false).toBool();
}

void AccessFlow::ask(PendingScan scan) {
    pending_ = std::move(scan);
    setAsking(true);
    poll_.start();
}

void AccessFlow::recheck() {
    bool had = granted_;
    granted_ = probe_();
    if (had != granted_)
        Q_EMIT changed();
    if (had || !granted_ || !asking_ || !pending_)
        return;
    setAsking(false);
    release();
}

void AccessFlow::scanWithoutAccess() {
    QSettings().setValue(SettingsKeys::scansWithoutAccess, true);
    setAsking(false);
    release();
}

void AccessFlow::cancel() {
    setAsking(false);
    pending_.reset();
}

void AccessFlow::setAsking(bool asking) {
    if (asking_ == asking)
        return;
    asking_ = asking;
    Q_EMIT changed();
}

void AccessFlow::release() {
    if (!pending_)
        return;
    PendingScan scan = std::move(*pending_);
    pending_.reset();
    Q_EMIT released(scan);
}

} // namespace tavelin
