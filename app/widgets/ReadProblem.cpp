#include "widgets/ReadProblem.h"

#include "scan/FolderProblem.h"

#include <system_error>

namespace tavelin::ReadProblem {

QString reason(const std::string& path) {
    if (auto error = folderReadError(path))
        return QString::fromStdString(std::generic_category().message(*error));
    return QStringLiteral("Readable now: rescan to include it");
}

QString why() {
    return QStringLiteral(
        "On Linux each folder’s owner decides who may read it. Tavelin reads as you, so it leaves "
        "out the folders of other users and of the system that you may not open, and what they "
        "hold is missing from the sizes. On a whole disk their space shows as “Other used "
        "space”. To include them, their owner or the computer’s administrator can let you read "
        "them.");
}

} // namespace tavelin::ReadProblem
