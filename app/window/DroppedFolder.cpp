#include "window/DroppedFolder.h"

#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

namespace tavelin {

QString droppedFolder(const QMimeData& data) {
    if (!data.hasUrls() || data.urls().isEmpty() || !data.urls().front().isLocalFile())
        return {};
    QString path = data.urls().front().toLocalFile();
    return QFileInfo(path).isDir() ? path : QString();
}

} // namespace tavelin
