#pragma once

// A scan node's figures as one comparable text, and the check that a tree's folders add up.

#include "scan/Node.h"

#include <string>

namespace tavelin::test {

// "size/unique/files/apparent": compared whole, so a failure shows every figure at once.
inline std::string figures(const Node::Figures& figures) {
    return std::to_string(figures.size) + "/" + std::to_string(figures.unique) + "/" +
           std::to_string(figures.files) + "/" + std::to_string(figures.apparent);
}
inline std::string figures(int64_t size, int64_t unique, int64_t files, int64_t apparent) {
    return figures(Node::Figures{size, unique, files, apparent});
}
inline std::string figures(const Node& node) {
    return figures(Node::Figures::of(node));
}

// The first folder beneath `node` (itself included) whose figures are not the sum of its small
// files, file children and sub-folders, or whose children are not largest first, as
// "path: its figures, the sum"; empty when every folder adds up.
inline std::string sumsBreak(const Node& node) {
    Node::Figures sum = Node::Figures::ofSmallFiles(node);
    const Node* previous = nullptr;
    for (const auto& child : node.children()) {
        if (std::string broken = child->isDirectory() ? sumsBreak(*child) : ""; !broken.empty())
            return broken;
        if (previous && previous->size < child->size)
            return node.path() + ": " + child->name + " is out of order";
        previous = child.get();
        sum += Node::Figures::of(*child);
    }
    if (figures(node) != figures(sum))
        return node.path() + ": " + figures(node) + ", the sum " + figures(sum);
    return "";
}

} // namespace tavelin::test
