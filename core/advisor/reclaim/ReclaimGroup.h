#pragma once

// What the reclaim rules found: per rule, the matched nodes in the order they were claimed.

#include "advisor/Project.h"
#include "advisor/reclaim/ReclaimRule.h"
#include "scan/Node.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tavelin {

// One matched node. Identified by the node itself.
struct ReclaimItem {
    Node::Ptr node; // shared with the tree
    // Why the item must not be cleared now ("Unity has this project open"), if it must not.
    std::optional<std::string> inUse;
    std::optional<Project> project;
};

struct ReclaimGroup {
    ReclaimRule rule;
    std::vector<ReclaimItem> items;

    // Unique bytes of the items that are not in use.
    int64_t freed() const;
    // Allocated bytes of all items.
    int64_t onDisk() const;
    bool allInUse() const;
};

} // namespace tavelin
