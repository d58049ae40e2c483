#include "scan/UnreadableFolders.h"

namespace tavelin {

std::vector<const Node*> unreadableFolders(const Node& folder) {
    std::vector<const Node*> found;
    std::vector<const Node*> stack{&folder};
    while (!stack.empty()) {
        const Node* node = stack.back();
        stack.pop_back();
        if (node->isUnreadable && !node->needsAccess)
            found.push_back(node);
        const auto& children = node->children();
        for (auto child = children.rbegin(); child != children.rend(); ++child)
            if ((*child)->isDirectory())
                stack.push_back(child->get());
    }
    return found;
}

} // namespace tavelin
