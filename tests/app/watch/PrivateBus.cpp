#include "app/watch/PrivateBus.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QUuid>

namespace tavelin::test {
namespace {

const char* const kConfig =
    R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:tmpdir=/tmp</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)";

} // namespace

PrivateBus::PrivateBus() {
    QString program = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (program.isEmpty()) {
        failure_ = QStringLiteral("dbus-daemon is not installed");
        return;
    }
    configFile_ =
        QDir::temp().filePath(QStringLiteral("tavelin-bus-") +
                              QUuid::createUuid().toString(QUuid::Id128) + QStringLiteral(".conf"));
    QFile config(configFile_);
    if (!config.open(QIODevice::WriteOnly) || config.write(kConfig) < 0) {
        failure_ = QStringLiteral("cannot write the bus configuration");
        return;
    }
    config.close();
    daemon_.start(program, {QStringLiteral("--config-file=") + configFile_,
                            QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
    // The daemon prints its address once it listens.
    while (!daemon_.canReadLine() && daemon_.waitForReadyRead(5000))
        continue;
    address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
    if (address_.isEmpty())
        failure_ = QStringLiteral("dbus-daemon did not start: ") +
                   QString::fromUtf8(daemon_.readAllStandardError());
}

PrivateBus::~PrivateBus() {
    for (const QString& name : connections_)
        QDBusConnection::disconnectFromBus(name);
    if (daemon_.state() != QProcess::NotRunning) {
        daemon_.terminate();
        daemon_.waitForFinished(5000);
    }
    if (!configFile_.isEmpty())
        QFile::remove(configFile_);
}

QDBusConnection PrivateBus::connect() {
    QString name = QStringLiteral("tavelin-test-") + QUuid::createUuid().toString(QUuid::Id128);
    connections_ << name;
    return QDBusConnection::connectToBus(address_, name);
}

} // namespace tavelin::test
