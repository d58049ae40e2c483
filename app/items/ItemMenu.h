#pragma once

// The context menu of the map's tiles and the table's rows, acting on the clicked nodes.
// Entries for actions still to come join when those actions do.

#include "scan/Node.h"

#include <vector>

class QMenu;

namespace tavelin {

class AppModel;

namespace ItemMenu {

// Adds the entries that apply to these nodes: "Open" and "Rescan" when the first is a folder,
// "Show in Map" for a single search result, "Show in File Manager", "Preview" of the first
// unless it is a pseudo node, "Copy Path", and "Move to Trash…", enabled when the nodes can
// go. Adds nothing for no nodes. The actions call the
// model, which must outlive the menu.
void fill(QMenu& menu, AppModel& model, const std::vector<Node::Ptr>& nodes);

} // namespace ItemMenu
} // namespace tavelin
