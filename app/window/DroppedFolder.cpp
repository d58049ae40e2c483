#include "window/DroppedFolder.h"

#include "model/AppModel.h"
#include "widgets/SandboxAccess.h"

#include <QFile>
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

bool scanDroppedFolder(AppModel& model, const QMimeData& data) {
    QString folder = droppedFolder(data);
    if (folder.isEmpty())
        return false;
    // Kept as the name's bytes, whatever their encoding.
    std::string path = QFile::encodeName(folder).toStdString();
    SandboxAccess::remember(path);
    model.scan(path);
    return true;
}

} // namespace tavelin
