#pragma once

#include "scan/Node.h"

#include <string_view>

namespace tavelin::test {

// The first child of `node` with this name, or nullptr.
inline Node* childNamed(const Node& node, std::string_view name) {
    for (const auto& entry : node.children())
        if (entry->name == name)
            return entry.get();
    return nullptr;
}

} // namespace tavelin::test
