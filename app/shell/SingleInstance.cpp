#include "shell/SingleInstance.h"

#include <QDataStream>
#include <QDir>
#include <QLocalSocket>
#include <unistd.h>

namespace tavelin {
namespace {

// The running instance answers this byte once the window is open.
constexpr char kTaken = '1';

} // namespace

QString SingleInstance::defaultName() {
    QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir(runtime).exists())
        return runtime + QStringLiteral("/tavelin.socket");
    return QDir::tempPath() + QStringLiteral("/tavelin-%1.socket").arg(::getuid());
}

bool SingleInstance::handOver(const QString& name, const std::string& path,
                              std::chrono::milliseconds timeout) {
    QLocalSocket socket;
    socket.connectToServer(name);
    int wait = static_cast<int>(timeout.count());
    if (!socket.waitForConnected(wait))
        return false;
    QByteArray request;
    QDataStream stream(&request, QIODevice::WriteOnly);
    stream << QByteArray(path.data(), static_cast<qsizetype>(path.size()));
    socket.write(request);
    if (!socket.waitForBytesWritten(wait))
        return false;
    while (socket.bytesAvailable() == 0)
        if (!socket.waitForReadyRead(wait))
            return false;
    char answer = 0;
    return socket.getChar(&answer) && answer == kTaken;
}

SingleInstance::SingleInstance(const QString& name, QObject* parent)
    : QObject(parent) {
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    // Only called once no one answered on `name`: what is left there belongs to a Tavelin
    // that ended without cleaning up.
    if (!server_.listen(name) && server_.serverError() == QAbstractSocket::AddressInUseError &&
        QLocalServer::removeServer(name))
        server_.listen(name);
    connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::accept);
}

void SingleInstance::accept() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            QDataStream stream(socket);
            stream.startTransaction();
            QByteArray path;
            stream >> path;
            if (!stream.commitTransaction())
                return;
            Q_EMIT windowRequested(path.toStdString());
            socket->write(&kTaken, 1);
            socket->disconnectFromServer();
        });
    }
}

} // namespace tavelin
