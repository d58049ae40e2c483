#include "model/LiveUpdates.h"

#include "widgets/SettingsKeys.h"

#include <QPointer>
#include <QSettings>

namespace tavelin {
namespace {

const QString kPartialNotice =
    QStringLiteral("Only part of this folder updates as files change: the system’s limit on "
                   "watched folders was reached.");

} // namespace

LiveUpdates::LiveUpdates(Context context, QObject* parent)
    : QObject(parent)
    , context_(std::move(context))
    , enabled_(QSettings().value(SettingsKeys::liveUpdates, true).toBool()) {
    QPointer<LiveUpdates> self(this);
    updater_ = std::make_shared<LiveUpdater>(
        LiveUpdater::Context{context_.queue, context_.historyDirectory},
        LiveUpdater::Hooks{.settled =
                               [self] {
                                   if (self)
                                       Q_EMIT self->refreshed();
                               },
                           .ready = {},
                           .limitReached =
                               [self] {
                                   if (self)
                                       Q_EMIT self->notice(kPartialNotice);
                               }});
}

LiveUpdates::~LiveUpdates() {
    updater_->stop();
}

void LiveUpdates::setEnabled(bool enabled) {
    if (enabled_ == enabled)
        return;
    enabled_ = enabled;
    QSettings().setValue(SettingsKeys::liveUpdates, enabled);
    Q_EMIT enabledChanged();
    restartWatcher();
}

void LiveUpdates::scanStarted(const std::shared_ptr<ScanSession>& session) {
    updater_->scanStarting();
    session_ = session;
}

void LiveUpdates::restartWatcher() {
    auto session = session_.lock();
    // A tree built elsewhere (the demonstration's, a scan file's) has no folder here to follow.
    if (enabled_ && session && !session->isBuilt() && !session->isRunning())
        updater_->restart(session);
    else
        updater_->stop();
}

void LiveUpdates::stopWatcher() {
    updater_->stop();
}

} // namespace tavelin
