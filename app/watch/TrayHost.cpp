#include "watch/TrayHost.h"

#include "watch/StatusNotifierWatcher.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QSystemTrayIcon>

namespace tavelin {
namespace {

constexpr std::chrono::seconds kPoll(30);
constexpr int kAnswerTimeout = 1000; // milliseconds

} // namespace

TrayHost::Setup TrayHost::Setup::live() {
    // Embedded trays exist only on X11; elsewhere Qt is left to ask once a host is there.
    return {QDBusConnection::sessionBus(), [] {
                return QGuiApplication::platformName() == QLatin1String("xcb") &&
                       QSystemTrayIcon::isSystemTrayAvailable();
            }};
}

TrayHost::TrayHost(Setup setup, QObject* parent)
    : QObject(parent)
    , setup_(std::move(setup)) {
    if (setup_.bus.isConnected()) {
        auto* service =
            new QDBusServiceWatcher(QLatin1String(StatusNotifierWatcher::serviceName), setup_.bus,
                                    QDBusServiceWatcher::WatchForOwnerChange, this);
        connect(service, &QDBusServiceWatcher::serviceOwnerChanged, this, [this] {
            followWatcher();
            recheck();
        });
        followWatcher();
    }
    poll_.setInterval(kPoll);
    connect(&poll_, &QTimer::timeout, this, &TrayHost::recheck);
    recheck();
}

void TrayHost::followWatcher() {
    // A proxy made while the watcher was away hears none of its signals: one per watcher.
    delete watcher_;
    watcher_ = new StatusNotifierWatcher(setup_.bus, this);
    connect(watcher_, &StatusNotifierWatcher::StatusNotifierHostRegistered, this,
            &TrayHost::recheck);
    connect(watcher_, &StatusNotifierWatcher::StatusNotifierHostUnregistered, this,
            &TrayHost::recheck);
}

TrayHost::~TrayHost() = default;

void TrayHost::recheck() {
    if (!watcher_) {
        settle(false);
        return;
    }
    QDBusMessage get = QDBusMessage::createMethodCall(
        QLatin1String(StatusNotifierWatcher::serviceName),
        QLatin1String(StatusNotifierWatcher::objectPath),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << QLatin1String(StatusNotifierWatcher::serviceName)
        << QStringLiteral("IsStatusNotifierHostRegistered");
    auto* answer = new QDBusPendingCallWatcher(setup_.bus.asyncCall(get, kAnswerTimeout), this);
    connect(answer, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* finished) {
                QDBusPendingReply<QDBusVariant> reply = *finished;
                settle(!reply.isError() && reply.value().variant().toBool());
                finished->deleteLater();
            });
}

void TrayHost::settle(bool hasHost) {
    bool available = hasHost || (setup_.otherTray && setup_.otherTray());
    if (available)
        poll_.stop();
    else if (!poll_.isActive())
        poll_.start();
    if (available == available_)
        return;
    available_ = available;
    Q_EMIT availableChanged();
}

} // namespace tavelin
