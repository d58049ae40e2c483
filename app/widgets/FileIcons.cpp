#include "widgets/FileIcons.h"

#include <QFileIconProvider>

namespace tavelin {

QIcon fileIcon(const QFileInfo& info) {
    static const QFileIconProvider provider;
    return provider.icon(info);
}

} // namespace tavelin
