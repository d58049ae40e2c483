#pragma once

// A scan node's figures as one comparable text, and the check that a tree's folders add up.

#include "scan/Node.h"

#include <string>

namespace tavelin::test {

// "size/unique/files/apparent": compared whole, so a failure shows every figure at once.
inline std::string figures(int64_t size, int64_t unique, int64_t files, int64_t apparent) {
    return std::to_string(size) + "/" + std::to_string(unique) + "/" + std::to_string(files) + "/" +
           std::to_string(apparent);
}
inline std::string figures(const Node& node) {
    return figures(node.size, node.unique, node.fileCount, node.apparent);
}

// The first folder beneath `node` (itself included) whose figures are not the sum of its small
// files, file children and sub-folders, or whose children are not largest first, as
// "path: its figures, the sum"; empty when every folder adds up.
inline std::string sumsBreak(const Node& node) {
    Node sum("", Node::Kind::directory);
    sum.size = node.smallFileSize;
    sum.unique = node.smallFileUnique;
    sum.fileCount = node.smallFileCount;
    sum.apparent = node.smallFileApparent;
    const Node* previous = nullptr;
    for (const auto& child : node.children()) {
        if (std::string broken = child->isDirectory() ? sumsBreak(*child) : ""; !broken.empty())
            return broken;
        if (previous && previous->size < child->size)
            return node.path() + ": " + child->name + " is out of order";
        previous = child.get();
        sum.size += child->size;
        sum.unique += child->unique;
        sum.fileCount += child->fileCount;
        sum.apparent += child->apparent;
    }
    if (figures(node) != figures(sum))
        return node.path() + ": " + figures(node) + ", the sum " + figures(sum);
    return "";
}

} // namespace tavelin::test
