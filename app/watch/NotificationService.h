#pragma once

// The desktop's notification service (org.freedesktop.Notifications) as a D-Bus proxy. Its
// D-Bus signals arrive as the Qt signals below, so they connect like any other signal.

#include <QDBusAbstractInterface>

namespace tavelin {

class NotificationService : public QDBusAbstractInterface {
    Q_OBJECT
public:
    static constexpr const char* serviceName = "org.freedesktop.Notifications";
    static constexpr const char* objectPath = "/org/freedesktop/Notifications";

    NotificationService(const QDBusConnection& bus, QObject* parent)
        : QDBusAbstractInterface(QLatin1String(serviceName), QLatin1String(objectPath), serviceName,
                                 bus, parent) {}

Q_SIGNALS:
    // D-Bus names: these must match the service's signals exactly.
    void ActionInvoked(uint id, const QString& actionKey);
};

} // namespace tavelin
