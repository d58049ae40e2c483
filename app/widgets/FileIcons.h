#pragma once

#include <QIcon>

class QFileInfo;

namespace tavelin {

// The desktop's icon for a file or folder (by its type, or the folder itself), from the one
// icon provider the process keeps.
QIcon fileIcon(const QFileInfo& info);

} // namespace tavelin
