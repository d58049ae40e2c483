#pragma once

// A StatusNotifierWatcher on a test's private bus, where a tray host can arrive and leave.

#include <QDBusConnection>
#include <QObject>

namespace tavelin::test {

class FakeTrayWatcher : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hasHost)

public:
    // Takes the watcher's name and object on `bus`; `registered` tells whether that worked.
    explicit FakeTrayWatcher(QDBusConnection bus);
    ~FakeTrayWatcher() override;

    bool hasHost() const { return hasHost_; }
    void hostArrives();
    void hostLeaves();

    bool registered = false;

Q_SIGNALS:
    void StatusNotifierHostRegistered();
    void StatusNotifierHostUnregistered();

private:
    QDBusConnection bus_;
    bool hasHost_ = false;
};

} // namespace tavelin::test
