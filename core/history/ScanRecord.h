#pragma once

// The stored summary of one finished scan: the root's totals and the allocated sizes of its
// big folders and files down to a fixed depth, keyed by their path relative to the scanned root.
// As each key has at most that many components, a record grows with the number of big folders
// and never with their depth (a chain of folders thousands deep would otherwise cost the square
// of its depth), and stays small enough to keep twenty per location even for a whole disk.

#include "scan/Node.h"
#include "util/Dates.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavelin {

struct ScanRecord {
    // Smaller folders and files are left out, folders with everything beneath them.
    static constexpr int64_t folderFloor = 10'000'000;
    static constexpr int64_t fileFloor = 100'000'000;
    // Folders and files deeper than this below the root are left out, and records written
    // without that bound are read as if they had it. A whole disk's folders of 10 MB or more
    // all lie within it but for hostile chains, and growth deeper down still shows, on the
    // deepest folder kept above it.
    static constexpr int deepest = 24;

    std::string root; // the scanned root's path
    Date date = kDistantPast;
    int64_t size = 0;
    int64_t unique = 0;
    int64_t files = 0;
    std::map<std::string, int64_t> sizes; // by relative path; the root under ""
    // What the scan left out, sorted: only records made with the same exclusions compare, as
    // what one left out would otherwise show as gone or new in the other.
    std::vector<std::string> excluded{};
    // The root's apparent size; unknown in records written before it was kept.
    std::optional<int64_t> apparent = std::nullopt;

    // The summary of a finished tree, dated `date`.
    static ScanRecord of(const Node& root, Date date);

    // "" for the root itself; the path below the root for a node inside it; the whole path for
    // a node outside it.
    static std::string relativePath(const Node& node, const Node& root);

    // The recorded size of the node of the tree under `root`; nothing when the record has no
    // entry for it, and for pseudo nodes, which are never recorded.
    std::optional<int64_t> sizeOf(const Node& node, const Node& root) const;
    // How much the node of the tree under `root` grew since this record: its size less the
    // recorded one; its whole size when it is new here (it has reached its floor, lies no deeper
    // than records keep, and its folder was recorded); nothing otherwise.
    std::optional<int64_t> growthOf(const Node& node, const Node& root) const;
    // The number of components of a relative path: 0 for the root's "".
    static int depthOf(std::string_view relativePath);

    // JSON with the keys "root", "date" (fractional seconds since 1970), "size", "unique",
    // "files", "sizes", "apparent" when known, and "excluded" (a list of texts) when the scan
    // left anything out.
    std::string encoded() const;
    // Nothing unless the text is such an object with all six keys of the right types, an
    // "apparent" that is a number where there is one, and "excluded", when present, a list of
    // texts.
    static std::optional<ScanRecord> decoded(std::string_view json);
};

} // namespace tavelin
