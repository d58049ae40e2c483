#include "support/SyntheticTree.h"

#include "util/Paths.h"

#include <algorithm>
#include <stdexcept>

namespace tavelin::test {

SyntheticTree::SyntheticTree(const std::string& rootPath)
    : root_(Node::makeRoot(lastPathComponent(rootPath), rootPath)) {}

std::string_view SyntheticTree::relative(std::string_view path) const {
    if (!path.starts_with('/'))
        return path;
    const std::string& top = *root_->rootPath();
    if (!path.starts_with(top))
        throw std::invalid_argument("path outside the synthetic tree: " + std::string(path));
    path.remove_prefix(top.size());
    while (path.starts_with('/'))
        path.remove_prefix(1);
    return path;
}

Node& SyntheticTree::folder(std::string_view path) {
    Node* node = root_.get();
    std::string_view rest = relative(path);
    while (!rest.empty()) {
        size_t slash = std::min(rest.find('/'), rest.size());
        std::string_view name = rest.substr(0, slash);
        rest.remove_prefix(std::min(slash + 1, rest.size()));
        auto found = std::ranges::find_if(
            node->children(), [&](const Node::Ptr& child) { return child->name == name; });
        if (found != node->children().end()) {
            node = found->get();
            continue;
        }
        auto made = Node::make(std::string(name), Node::Kind::directory);
        node->append(made);
        node = made.get();
    }
    return *node;
}

Node& SyntheticTree::add(std::string_view path, Node::Kind kind, int64_t size, int64_t unique,
                         Date modified) {
    std::string_view inside = relative(path);
    Node& parent = folder(parentPath(inside));
    auto node = Node::make(lastPathComponent(inside), kind);
    node->size = size;
    node->unique = unique;
    node->apparent = size;
    node->fileCount = kind == Node::Kind::file ? 1 : 0;
    node->modified = modified;
    parent.append(node);
    for (Node* ancestor = &parent; ancestor; ancestor = ancestor->parent()) {
        ancestor->size += size;
        ancestor->unique += unique;
        ancestor->apparent += size;
        ancestor->fileCount += node->fileCount;
        ancestor->modified = std::max(ancestor->modified, modified);
        ancestor->sortChildren();
    }
    return *node;
}

Node& SyntheticTree::file(std::string_view path, int64_t size, std::optional<int64_t> unique,
                          Date modified) {
    return add(path, Node::Kind::file, size, unique.value_or(size), modified);
}

Node& SyntheticTree::folder(std::string_view path, int64_t size, std::optional<int64_t> unique,
                            Date modified) {
    return add(path, Node::Kind::directory, size, unique.value_or(size), modified);
}

} // namespace tavelin::test
