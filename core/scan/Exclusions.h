#pragma once

// What the user chose to leave out of every scan: absolute paths (a folder with everything
// beneath it, or a file) and name patterns, matched against each entry's own name as shell
// globs do ("node_modules", "*.iso", "cache-?", "[Tt]mp"). A pattern never matches across "/".
// The scanned folder itself is always measured: it was asked for by name.
//
// Immutable once made, so walkers on several threads may share one.

#include "util/StringHash.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavelin {

class Exclusions {
public:
    Exclusions() = default;
    // Entries that are not valid (see `entryFrom`) are passed over.
    explicit Exclusions(const std::vector<std::string>& entries);

    // The form an entry is kept in: an absolute path standardized ("/" itself refused), or a
    // name pattern as typed, trimmed. Nothing for an empty text, a relative path, "." or "..".
    static std::optional<std::string> entryFrom(std::string_view typed);

    bool empty() const { return entries_.empty(); }
    // The valid entries, in the order given, without repeats.
    const std::vector<std::string>& entries() const { return entries_; }

    // Whether an entry of this name is left out wherever it is.
    bool excludesName(std::string_view name) const;
    // The path entries: items at these absolute, standardized paths are left out.
    const PathSet& paths() const { return paths_; }
    bool hasPaths() const { return !paths_.empty(); }
    // Whether the item at `path`, at or beneath the scanned folder `root`, lies in something
    // left out: a component below `root` matches a name, or `path` is at or below a path entry.
    bool covers(std::string_view root, std::string_view path) const;

private:
    std::vector<std::string> entries_;
    PathSet names_; // patterns without wildcards, compared as they are
    std::vector<std::string> patterns_;
    PathSet paths_;
};

} // namespace tavelin
