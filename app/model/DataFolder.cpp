#include "model/DataFolder.h"

#include <QStandardPaths>

namespace tavelin {

std::filesystem::path dataFolder() {
    return std::filesystem::path(
               QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
                   .toStdString()) /
           "Tavelin";
}

} // namespace tavelin
