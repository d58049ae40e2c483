#pragma once

// Measures one folder subtree on the calling thread and returns it as a detached tree.

#include "platform/SharedExtents.h"
#include "scan/Node.h"
#include "util/StringHash.h"

#include <functional>
#include <optional>
#include <string>

namespace tavelin {

class LinkSet;
class ScanCounter;
struct TallyBox;

namespace TreeScanner {

// Walks `path` (absolute): returns its subtree root (named after the last component, with
// `rootPath` = path), or nothing when the path is not a folder, cannot be examined, or the walk
// was cancelled. A folder that cannot be opened comes back empty and `isUnreadable`, with one
// error counted; a folder on another mount than `device` comes back empty. `descend` false
// lists the folder only: its sub-folders come back as empty nodes. Folders in `skip` are
// marked `needsAccess` and not entered. The subtree's extension tally is merged into `tally`.
Node::Ptr scan(const std::string& path, ScanCounter& counter, LinkSet& links, int64_t threshold,
               const PathSet& skip, bool descend, TallyBox* tally, std::optional<uint64_t> device,
               const std::function<bool()>& isCancelled);

// The bytes deleting one file would free, given its allocated size; nothing when the path
// cannot be examined.
std::optional<int64_t> uniqueSize(const std::string& atPath, int64_t allocated);

// A file's unique size from its sharing facts: the private size when blocks may be shared and
// it does not exceed the allocated size, else the allocated size.
int64_t uniqueFrom(int64_t allocated, const std::optional<platform::SharingFacts>& sharing);

} // namespace TreeScanner
} // namespace tavelin
