#include "scan/Node.h"

#include "util/Format.h"
#include "util/Paths.h"

#include <algorithm>

namespace tavelin {

Node::Node(std::string name, Kind kind)
    : name(std::move(name))
    , kind_(kind) {}

Node::~Node() {
    for (Node* pseudo : {smallFilesNode_.get(), remainderNode_.get()})
        if (pseudo)
            pseudo->parent_ = nullptr;
    // Tear the subtree down with a list instead of recursion, so deep trees cannot exhaust the
    // stack; children that someone else still holds keep their own subtrees.
    std::vector<Ptr> pending = std::move(children_);
    while (!pending.empty()) {
        Ptr child = std::move(pending.back());
        pending.pop_back();
        child->parent_ = nullptr;
        if (child.use_count() == 1) {
            for (auto& grandchild : child->children_)
                pending.push_back(std::move(grandchild));
            child->children_.clear();
        }
    }
}

Node::Ptr Node::makeRoot(std::string name, std::string rootPath,
                         std::optional<int64_t> expectedSize) {
    auto root = make(std::move(name), Kind::directory);
    root->rootPath_ = std::make_unique<const std::string>(std::move(rootPath));
    root->expectedSize = expectedSize;
    return root;
}

std::string Node::path() const {
    std::vector<const Node*> chain;
    const Node* top = this;
    while (!top->rootPath_ && top->parent_) {
        chain.push_back(top);
        top = top->parent_;
    }
    std::string result = top->rootPath_ ? *top->rootPath_ : top->name;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        if (!(*it)->isPseudo())
            appendPathComponent(result, (*it)->name);
    return result;
}

int64_t Node::shared() const {
    return std::max<int64_t>(size - unique, 0);
}

int64_t Node::displaySize() const {
    return std::max(size, expectedSize.value_or(0));
}

int64_t Node::value(Measure measure) const {
    switch (measure) {
    case Measure::allocated:
        return size;
    case Measure::unique:
        return unique;
    case Measure::apparent:
        return apparent;
    }
    return size;
}

int64_t Node::displayValue(Measure measure) {
    if (measure == Measure::allocated)
        return displaySize();
    Ptr rest = remainder();
    return value(measure) + (rest ? rest->value(measure) : 0);
}

Node::Ptr& Node::pseudoNode(Ptr& cache, Kind kind) {
    if (!cache) {
        cache = make({}, kind);
        cache->parent_ = this;
    }
    return cache;
}

Node::Ptr Node::remainder() {
    if (!expectedSize || size >= *expectedSize)
        return nullptr;
    Ptr& rest = pseudoNode(remainderNode_, Kind::remainder);
    int64_t missing = *expectedSize - size;
    rest->size = missing;
    rest->isScanning = isScanning;
    rest->unique = isScanning ? missing : 0;
    rest->apparent = rest->unique;
    rest->name = isScanning ? "Not scanned yet" : "Other used space";
    return rest;
}

void Node::insertBySize(std::vector<Ptr>& list, Ptr node) {
    auto smaller = std::find_if(list.begin(), list.end(),
                                [&](const Ptr& entry) { return entry->size < node->size; });
    list.insert(smaller, std::move(node));
}

std::vector<Node::Ptr> Node::items() {
    std::vector<Ptr> list = children_;
    if (smallFileCount >= 1) {
        Ptr& small = pseudoNode(smallFilesNode_, Kind::smallFiles);
        small->size = smallFileSize;
        small->unique = smallFileUnique;
        small->apparent = smallFileApparent;
        small->fileCount = smallFileCount;
        small->name =
            smallFileCount == 1 ? "1 smaller file" : formatCount(smallFileCount) + " smaller files";
        insertBySize(list, small);
    }
    if (Ptr rest = remainder())
        insertBySize(list, std::move(rest));
    return list;
}

std::vector<Node*> Node::lineage() {
    std::vector<Node*> chain;
    for (Node* node = this; node; node = node->parent_)
        chain.push_back(node);
    std::reverse(chain.begin(), chain.end());
    return chain;
}

bool Node::isAttached() const {
    const Node* node = this;
    while (node->parent_) {
        const Node* parent = node->parent_;
        bool listed =
            node->isPseudo() || std::any_of(parent->children_.begin(), parent->children_.end(),
                                            [&](const Ptr& child) { return child.get() == node; });
        if (!listed)
            return false;
        node = parent;
    }
    return node->isRoot();
}

Node* Node::descendant(std::string_view atPath) {
    std::string own = path();
    if (!atPath.starts_with(own))
        return nullptr;
    std::string_view rest = atPath.substr(own.size());
    if (rest.empty())
        return this;
    if (!rest.starts_with('/') && own != "/")
        return nullptr;
    if (rest.starts_with('/'))
        rest.remove_prefix(1);
    Node* node = this;
    while (!rest.empty()) {
        size_t slash = rest.find('/');
        std::string_view piece = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? std::string_view{} : rest.substr(slash + 1);
        if (piece.empty())
            continue;
        auto found = std::find_if(node->children_.begin(), node->children_.end(),
                                  [&](const Ptr& child) { return child->name == piece; });
        if (found == node->children_.end())
            return nullptr;
        node = found->get();
    }
    return node;
}

void Node::append(Ptr child) {
    child->parent_ = this;
    child->place_ = static_cast<uint32_t>(children_.size());
    children_.push_back(std::move(child));
}

void Node::absorb(Node& other) {
    size = other.size;
    unique = other.unique;
    apparent = other.apparent;
    fileCount = other.fileCount;
    modified = other.modified;
    smallFileCount = other.smallFileCount;
    smallFileSize = other.smallFileSize;
    smallFileUnique = other.smallFileUnique;
    smallFileApparent = other.smallFileApparent;
    isUnreadable = other.isUnreadable;
    needsAccess = other.needsAccess;
    for (auto& old : children_)
        old->parent_ = nullptr;
    children_ = std::move(other.children_);
    other.children_.clear();
    for (size_t i = 0; i < children_.size(); ++i) {
        children_[i]->parent_ = this;
        children_[i]->place_ = static_cast<uint32_t>(i);
    }
    isScanning = false;
}

void Node::adjustAncestors(const Figures& change) {
    for (Node* ancestor = parent_; ancestor; ancestor = ancestor->parent_) {
        (Figures::of(*ancestor) + change).setOn(*ancestor);
        ancestor->sortChildren();
    }
}

void Node::adjustAncestorsKeepingOrder(const Figures& change) {
    for (Node* node = this; node->parent_; node = node->parent_) {
        if (change.size != 0)
            node->parent_->moveToPlace(*node, change.size > 0);
        (Figures::of(*node->parent_) + change).setOn(*node->parent_);
    }
}

// A grown child passes the smaller siblings before it, a shrunk one the larger ones after it;
// equal sizes keep their order, as in a stable sort.
void Node::moveToPlace(const Node& child, bool grew) {
    size_t at = child.place_;
    if (at >= children_.size() || children_[at].get() != &child) {
        auto found = std::find_if(children_.begin(), children_.end(),
                                  [&](const Ptr& sibling) { return sibling.get() == &child; });
        if (found == children_.end())
            return;
        at = static_cast<size_t>(found - children_.begin());
    }
    auto swapWith = [&](size_t other) {
        std::swap(children_[at], children_[other]);
        children_[at]->place_ = static_cast<uint32_t>(at);
        children_[other]->place_ = static_cast<uint32_t>(other);
        at = other;
    };
    if (grew) {
        while (at > 0 && children_[at - 1]->size < child.size)
            swapWith(at - 1);
    } else {
        while (at + 1 < children_.size() && children_[at + 1]->size > child.size)
            swapWith(at + 1);
    }
}

void Node::detach() {
    Node* parent = parent_;
    if (!parent)
        return;
    Figures gone;
    if (kind_ == Kind::smallFiles) {
        gone = Figures::ofSmallFiles(*parent);
        parent->smallFileSize = parent->smallFileUnique = parent->smallFileCount = 0;
        parent->smallFileApparent = 0;
    } else {
        gone = Figures::of(*this);
        Ptr self = shared_from_this(); // keeps this node alive while it leaves the list
        std::erase_if(parent->children_, [&](const Ptr& child) { return child.get() == this; });
    }
    (Figures::of(*parent) - gone).setOn(*parent);
    parent->adjustAncestors(Figures{} - gone);
    parent_ = nullptr;
}

void Node::sortChildren() {
    auto larger = [](const Ptr& a, const Ptr& b) { return a->size > b->size; };
    // Most folders are already in order; a stable sort would allocate a buffer for nothing.
    if (std::is_sorted(children_.begin(), children_.end(), larger))
        return;
    std::stable_sort(children_.begin(), children_.end(), larger);
    for (size_t i = 0; i < children_.size(); ++i)
        children_[i]->place_ = static_cast<uint32_t>(i);
}

} // namespace tavelin
