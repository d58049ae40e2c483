#pragma once

// A notification service on a test's private bus: it records every notification it is sent,
// answers with ids the way desktop services do (a replaced notification keeps its id), can
// refuse notifications, and can report a click.

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>
#include <QStringList>
#include <QVariantMap>
#include <vector>

namespace tavelin::test {

class FakeNotificationServer : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Notification {
        QString appName;
        uint replacesId = 0;
        QString summary;
        QString body;
        QStringList actions;
        QVariantMap hints;
        uint id = 0;
    };

    // Takes the service's name and object on `bus`; `registered` tells whether that worked.
    explicit FakeNotificationServer(QDBusConnection bus);
    ~FakeNotificationServer() override;

    bool registered = false;
    bool refuses = false;
    std::vector<Notification> received;
    int capabilityQueries = 0;

    // The user clicked notification `id` (the default action) or one of its buttons.
    void click(uint id, const QString& action = QStringLiteral("default"));

public Q_SLOTS:
    uint Notify(const QString& appName, uint replacesId, const QString& appIcon,
                const QString& summary, const QString& body, const QStringList& actions,
                const QVariantMap& hints, int expireTimeout);
    QStringList GetCapabilities();

private:
    QDBusConnection bus_;
    uint nextId_ = 1;
};

} // namespace tavelin::test
