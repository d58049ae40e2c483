#pragma once

#include <QString>

class QMimeData;

namespace tavelin {

// The folder a drop would scan: the first dropped location, when it is a local folder.
QString droppedFolder(const QMimeData& data);
// The scan file a drop would open: the first dropped location, when it is a local file.
QString droppedScanFile(const QMimeData& data);

} // namespace tavelin
