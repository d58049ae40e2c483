#include "app/watch/FakeNotificationServer.h"

#include <QDBusMessage>

namespace tavelin::test {
namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");

} // namespace

FakeNotificationServer::FakeNotificationServer(QDBusConnection bus)
    : bus_(std::move(bus)) {
    registered = bus_.registerObject(kPath, this, QDBusConnection::ExportAllSlots) &&
                 bus_.registerService(kService);
}

FakeNotificationServer::~FakeNotificationServer() {
    bus_.unregisterService(kService);
    bus_.unregisterObject(kPath);
}

void FakeNotificationServer::click(uint id, const QString& action) {
    QDBusMessage signal =
        QDBusMessage::createSignal(kPath, kService, QStringLiteral("ActionInvoked"));
    signal << id << action;
    bus_.send(signal);
}

uint FakeNotificationServer::Notify(const QString& appName, uint replacesId, const QString&,
                                    const QString& summary, const QString& body,
                                    const QStringList& actions, const QVariantMap& hints, int) {
    if (refuses) {
        sendErrorReply(QDBusError::AccessDenied, QStringLiteral("Notifications are turned off"));
        return 0;
    }
    uint id = replacesId != 0 ? replacesId : nextId_++;
    received.push_back({appName, replacesId, summary, body, actions, hints, id});
    return id;
}

QStringList FakeNotificationServer::GetCapabilities() {
    ++capabilityQueries;
    return {QStringLiteral("actions"), QStringLiteral("body")};
}

} // namespace tavelin::test
