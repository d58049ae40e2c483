#pragma once

#include <QString>

class QMimeData;

namespace tavelin {

class AppModel;

// The folder a drop would scan: the first dropped location, when it is a local folder.
QString droppedFolder(const QMimeData& data);
// The scan file a drop would open: the first dropped location, when it is a local file.
QString droppedScanFile(const QMimeData& data);

// Scans the dropped folder, granted for good to a sandboxed Tavelin as a chosen one is; false
// when the drop holds no folder.
bool scanDroppedFolder(AppModel& model, const QMimeData& data);

} // namespace tavelin
