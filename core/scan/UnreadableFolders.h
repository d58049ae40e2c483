#pragma once

// The folders of a scan tree that could not be read: their content is missing from the figures.
// Protected folders left out on purpose (`needsAccess`) are not among them.

#include "scan/Node.h"

#include <vector>

namespace tavelin {

// The unreadable folders at and below `folder`, depth first in the tree's order.
std::vector<const Node*> unreadableFolders(const Node& folder);

} // namespace tavelin
