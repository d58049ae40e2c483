#pragma once

// A D-Bus daemon of the test's own, so notification tests never reach the desktop's session
// bus. Its configuration allows everything and activates no services: a name nobody owns in
// the test stays unowned.

#include <QDBusConnection>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace tavelin::test {

class PrivateBus {
public:
    PrivateBus();
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    // Empty when the daemon runs; otherwise why it could not be started.
    const QString& failure() const { return failure_; }
    // A new connection to the bus.
    QDBusConnection connect();

private:
    QProcess daemon_;
    QString configFile_;
    QString address_;
    QString failure_;
    QStringList connections_;
};

} // namespace tavelin::test
