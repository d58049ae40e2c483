#include "app/watch/FakeTrayWatcher.h"

namespace tavelin::test {
namespace {

const QString kService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kPath = QStringLiteral("/StatusNotifierWatcher");

} // namespace

FakeTrayWatcher::FakeTrayWatcher(QDBusConnection bus)
    : bus_(std::move(bus)) {
    registered = bus_.registerObject(kPath, this,
                                     QDBusConnection::ExportAllProperties |
                                         QDBusConnection::ExportAllSignals) &&
                 bus_.registerService(kService);
}

FakeTrayWatcher::~FakeTrayWatcher() {
    bus_.unregisterService(kService);
    bus_.unregisterObject(kPath);
}

void FakeTrayWatcher::hostArrives() {
    hasHost_ = true;
    Q_EMIT StatusNotifierHostRegistered();
}

void FakeTrayWatcher::hostLeaves() {
    hasHost_ = false;
    Q_EMIT StatusNotifierHostUnregistered();
}

} // namespace tavelin::test
