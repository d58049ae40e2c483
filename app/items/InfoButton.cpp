#include "items/InfoButton.h"

#include "widgets/Texts.h"

namespace tavelin::InfoButton {

QString help(const Node& node) {
    switch (node.kind()) {
    case Node::Kind::smallFiles:
        return QStringLiteral("Files under 1 MB, measured together. Click for details.");
    case Node::Kind::remainder:
        if (node.isScanning)
            return QStringLiteral(
                "Used space on this disk the scan hasn’t reached yet. Click for details.");
        return linuxText("Used space not found in any folder: macOS, snapshots, swap and "
                         "unreadable folders. Click for details.");
    case Node::Kind::directory:
        if (node.needsAccess)
            return linuxText(
                "Skipped: macOS protects this folder. Click to allow Full Disk Access.");
        if (node.isUnreadable)
            return QStringLiteral("Why was this skipped?");
        return {};
    case Node::Kind::file:
        return {};
    }
    return {};
}

} // namespace tavelin::InfoButton
