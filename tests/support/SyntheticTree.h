#pragma once

// Builds scan trees in memory, as a finished scan leaves them: nodes at paths below a root,
// folders made as needed, and every item's figures and date added to its ancestors. For tests of
// code that reads trees (the advisor), where real files would add nothing.

#include "scan/Node.h"
#include "util/Dates.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tavelin::test {

class SyntheticTree {
public:
    // A root at an absolute path ("/" for a whole disk).
    explicit SyntheticTree(const std::string& rootPath);

    const Node::Ptr& root() const { return root_; }

    // The folder at `path` (absolute inside the root, or relative to it), made empty with its
    // missing ancestors when it is not there yet.
    Node& folder(std::string_view path);
    // A new file or folder of `size` allocated bytes (and as long), `unique` of them freeable
    // (all of them when not given), last modified at `modified`.
    Node& file(std::string_view path, int64_t size, std::optional<int64_t> unique = std::nullopt,
               Date modified = kDistantPast);
    Node& folder(std::string_view path, int64_t size, std::optional<int64_t> unique = std::nullopt,
                 Date modified = kDistantPast);

private:
    Node& add(std::string_view path, Node::Kind kind, int64_t size, int64_t unique, Date modified);
    std::string_view relative(std::string_view path) const;

    Node::Ptr root_;
};

} // namespace tavelin::test
