#include "model/FileManager.h"

#include "util/Paths.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QStringList>
#include <QUrl>

namespace tavelin::FileManager {

void openFile(const std::string& path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromUtf8(path)));
}

void reveal(const std::vector<std::string>& paths) {
    if (paths.empty())
        return;
    QStringList uris;
    for (const auto& path : paths)
        uris << QUrl::fromLocalFile(QString::fromUtf8(path)).toString(QUrl::FullyEncoded);
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << uris << QString();
    QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 3000);
    if (reply.type() != QDBusMessage::ReplyMessage)
        QDesktopServices::openUrl(
            QUrl::fromLocalFile(QString::fromUtf8(parentPath(paths.front()))));
}

} // namespace tavelin::FileManager
