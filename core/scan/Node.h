#pragma once

// One folder or large file of a scan tree, or one of the two pseudo nodes a folder shows:
// its small files taken together, and the used space the scan has not accounted for.
//
// Ownership: a parent owns its children through shared pointers; the parent link is a plain
// back pointer that reads as "no parent" once the node is detached or its parent is destroyed,
// so views may keep nodes that have left the tree. Identity is object identity.
//
// Not synchronised: a subtree belongs to the walker building it until it is handed to the UI
// thread, and the shown tree is read and changed only there.

#include "scan/Measure.h"
#include "util/Dates.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavelin {

class Node : public std::enable_shared_from_this<Node> {
public:
    enum class Kind { directory, file, smallFiles, remainder };
    using Ptr = std::shared_ptr<Node>;

    // A node's figures in every measure, taken and given back together.
    struct Figures {
        int64_t size = 0;
        int64_t unique = 0;
        int64_t files = 0;
        int64_t apparent = 0;

        static Figures of(const Node& node) {
            return {node.size, node.unique, node.fileCount, node.apparent};
        }
        // What the folder's small files, measured together, add up to.
        static Figures ofSmallFiles(const Node& folder) {
            return {folder.smallFileSize, folder.smallFileUnique, folder.smallFileCount,
                    folder.smallFileApparent};
        }
        Figures& operator+=(const Figures& other) {
            size += other.size;
            unique += other.unique;
            files += other.files;
            apparent += other.apparent;
            return *this;
        }
        Figures& operator-=(const Figures& other) {
            size -= other.size;
            unique -= other.unique;
            files -= other.files;
            apparent -= other.apparent;
            return *this;
        }
        friend Figures operator+(Figures a, const Figures& b) { return a += b; }
        friend Figures operator-(Figures a, const Figures& b) { return a -= b; }
        void setOn(Node& node) const {
            node.size = size;
            node.unique = unique;
            node.fileCount = files;
            node.apparent = apparent;
        }
    };

    Node(std::string name, Kind kind);
    ~Node();
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;

    static Ptr make(std::string name, Kind kind) {
        return std::make_shared<Node>(std::move(name), kind);
    }
    static Ptr makeRoot(std::string name, std::string rootPath,
                        std::optional<int64_t> expectedSize = std::nullopt);

    // Figures and flags; the scan engine sets them while it builds and updates the tree.
    std::string name;
    int64_t size = 0;   // allocated bytes counted beneath
    int64_t unique = 0; // bytes that deleting would free
    // The length of the content beneath, holes included; a folder's own length counts, as a
    // symbolic link's does.
    int64_t apparent = 0;
    int64_t fileCount = 0; // files counted beneath
    Date modified = kDistantPast;
    // The files directly in the folder below the large-file threshold. The folder's own blocks
    // (and own length) count in the byte figures too (not in the count): deleting the folder
    // frees them, and so the folder's figures stay the sum of what lies beneath it.
    int64_t smallFileCount = 0;
    int64_t smallFileSize = 0;
    int64_t smallFileUnique = 0;
    int64_t smallFileApparent = 0;
    bool isScanning = false;
    bool isUnreadable = false;
    bool needsAccess = false;
    std::optional<int64_t> expectedSize;

    Kind kind() const { return kind_; }
    Node* parent() const { return parent_; }
    const std::vector<Ptr>& children() const { return children_; }
    // The scanned folder's path on a root; nullptr on every other node.
    const std::string* rootPath() const { return rootPath_.get(); }

    bool isDirectory() const { return kind_ == Kind::directory; }
    bool isRoot() const { return rootPath_ != nullptr; }
    bool isPseudo() const { return kind_ == Kind::smallFiles || kind_ == Kind::remainder; }

    // The root path on a root; otherwise the parent's path and the name ("/" + name under "/");
    // pseudo nodes share their folder's path; a parentless node is its name.
    std::string path() const;
    int64_t shared() const;
    int64_t value(Measure measure) const;
    int64_t displaySize() const;
    // For `unique` and `apparent`, the remainder's figure is added: while a whole-disk scan
    // runs, the part not yet scanned may still turn out to be freeable.
    int64_t displayValue(Measure measure);

    // The unexplained part of `expectedSize`, refreshed on each read; nothing when the measured
    // size reaches what was expected.
    Ptr remainder();
    // `children` with the small-files and remainder pseudo nodes placed by size.
    std::vector<Ptr> items();
    // From the root down to this node.
    std::vector<Node*> lineage();
    // Whether the node is still reachable from a root through its parents' children.
    bool isAttached() const;
    // The node at an absolute path inside this node's tree, or nullptr.
    Node* descendant(std::string_view atPath);

    // Sets the child's parent and appends it; no sorting and no figures change.
    void append(Ptr child);
    // Takes over another node's measured content and children (grafting a scanned subtree into
    // a placeholder); name, kind, root path, expected size, parent and pseudo nodes stay.
    void absorb(Node& other);
    // Adds the deltas to every ancestor, parent first, re-sorting each one's children.
    void adjustAncestors(const Figures& change);
    // Adds the deltas to every ancestor like `adjustAncestors`, but instead of sorting, moves
    // this node and each ancestor to where a stable sort by size puts it among its siblings,
    // which must be in order otherwise: costs what moves, not what is sorted.
    void adjustAncestorsKeepingOrder(const Figures& change);
    // Takes the node out of its parent and the figures out of every ancestor.
    void detach();
    // Stable, by allocated size, largest first.
    void sortChildren();
    // Removes the children that `drop` selects, keeping the order of the rest.
    template <typename Predicate>
    void removeChildren(Predicate drop);
    void reserveChildren(size_t count) { children_.reserve(count); }

private:
    Ptr& pseudoNode(Ptr& cache, Kind kind);
    void moveToPlace(const Node& child, bool grew);
    static void insertBySize(std::vector<Ptr>& list, Ptr node);

    const Kind kind_;
    // Where the node last was among its parent's children, so that moving it there costs no
    // search: a hint, which removals may leave stale and which is checked before use. Beside
    // `kind_`, it takes no room of its own.
    uint32_t place_ = 0;
    Node* parent_ = nullptr;
    std::vector<Ptr> children_;
    // Only roots have one: a pointer keeps the many other nodes small.
    std::unique_ptr<const std::string> rootPath_;
    Ptr smallFilesNode_;
    Ptr remainderNode_;
};

template <typename Predicate>
void Node::removeChildren(Predicate drop) {
    std::erase_if(children_, [&](const Ptr& child) {
        if (!drop(*child))
            return false;
        child->parent_ = nullptr;
        return true;
    });
}

} // namespace tavelin
