#pragma once

// The session's StatusNotifierWatcher (org.kde.StatusNotifierWatcher), with which tray hosts
// register, as a D-Bus proxy whose D-Bus signals arrive as the Qt signals below.

#include <QDBusAbstractInterface>

namespace tavelin {

class StatusNotifierWatcher : public QDBusAbstractInterface {
    Q_OBJECT
public:
    static constexpr const char* serviceName = "org.kde.StatusNotifierWatcher";
    static constexpr const char* objectPath = "/StatusNotifierWatcher";

    StatusNotifierWatcher(const QDBusConnection& bus, QObject* parent)
        : QDBusAbstractInterface(QLatin1String(serviceName), QLatin1String(objectPath), serviceName,
                                 bus, parent) {}

Q_SIGNALS:
    // D-Bus names: these must match the watcher's signals exactly.
    void StatusNotifierHostRegistered();
    void StatusNotifierHostUnregistered();
};

} // namespace tavelin
