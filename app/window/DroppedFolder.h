#pragma once

#include <QString>

class QMimeData;

namespace tavelin {

// The folder a drop would scan: the first dropped location, when it is a local folder.
QString droppedFolder(const QMimeData& data);

} // namespace tavelin
