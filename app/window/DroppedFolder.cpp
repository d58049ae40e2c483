#include "window/DroppedFolder.h"

#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

namespace tavelin {

namespace {

QString firstLocal(const QMimeData& data) {
    if (!data.hasUrls() || data.urls().isEmpty() || !data.urls().front().isLocalFile())
        return {};
    return data.urls().front().toLocalFile();
}

} // namespace

QString droppedFolder(const QMimeData& data) {
    QString path = firstLocal(data);
    return !path.isEmpty() && QFileInfo(path).isDir() ? path : QString();
}

QString droppedScanFile(const QMimeData& data) {
    QString path = firstLocal(data);
    return !path.isEmpty() && QFileInfo(path).isFile() ? path : QString();
}

} // namespace tavelin
