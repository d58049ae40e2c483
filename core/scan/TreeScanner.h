#pragma once

// Measures one folder subtree on the calling thread and returns it as a detached tree.

#include "platform/FileFacts.h"
#include "platform/SharedExtents.h"
#include "platform/UniqueFd.h"
#include "scan/Node.h"
#include "util/StringHash.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavelin {

class Exclusions;
class LinkSet;
class ScanCounter;
struct TallyBox;

namespace TreeScanner {

// A sub-folder as its parent's listing met it.
struct ListedFolder {
    Node* node = nullptr;
    platform::FileId id;
};

// Sub-folders a walk gives to another worker, as the walk's listing met them: beneath the open
// folder `parent`, each with its node in the giving walk's tree, which counts only the folder's
// own blocks; the rest arrives with the other worker's walk.
struct SharedFolders {
    struct Folder {
        Node::Ptr node;
        platform::FileId id;
    };
    std::shared_ptr<const platform::UniqueFd> parent;
    std::string parentPath;
    std::vector<Folder> folders;
};

// Lets a walk hand sub-folders to idle workers. Called on the walking thread.
class Sharing {
public:
    virtual ~Sharing() = default;
    // Asked before each sub-folder is entered, so it must be cheap: whether a worker is idle.
    virtual bool wanted() const = 0;
    // Walks the folders on an idle worker; false, and the folders stay with the caller, when
    // none is idle any more.
    virtual bool give(SharedFolders& folders) = 0;
};

struct Options {
    ScanCounter& counter; // where running figures and errors are published
    LinkSet& links;       // hard-linked files met so far in the scan
    const PathSet& skip;  // folders marked `needsAccess` and not entered
    // Entries left out altogether (no node, no figures), counted as excluded. Null or empty:
    // the walk never looks.
    const Exclusions* exclusions = nullptr;
    std::function<bool()> isCancelled = [] { return false; };
    int64_t threshold = 0;           // files at or above it get a node of their own
    bool descend = true;             // false: list the folder only; its sub-folders come back empty
    TallyBox* tally = nullptr;       // the walk adds the subtree's extension tally to it
    std::optional<uint64_t> mount{}; // the mount the scan stays on
    // Whether files on the mount can share data, when the caller knows it already: a scan asks
    // once, not once a job.
    std::optional<bool> shareAware{};
    // With an open folder as `base`, the folder opened is the one at `beneath` inside it,
    // reached through no symbolic link and no other mount; without, `path` is opened as given,
    // following symbolic links (a folder the user named).
    int base = -1;
    std::string_view beneath{};
    std::optional<platform::FileId> expected{}; // the folder must be this one
    // Filled, when the folder is only listed, with its sub-folders in listing order.
    std::vector<ListedFolder>* subfolders = nullptr;
    // When set, a walk that sees an idle worker gives it the later half of the sub-folders it
    // has yet to enter at the shallowest level that has some.
    Sharing* sharing = nullptr;
    // Measuring folders again after the scan: files with several names count where `links`
    // counts them already (or, counted nowhere, here), and those the folders no longer hold are
    // released.
    bool claimLinks = false;
};

// Walks the folder `path` names (absolute; it names the nodes and the skip checks): returns its
// subtree root (named after the last component, with `rootPath` = path), with the folder's own
// blocks counted. Nothing, with one error counted, when the folder cannot be opened (missing,
// not a folder, reached through a link, on another mount, or not the one `expected`), and
// nothing when the walk was cancelled. A folder that cannot be listed comes back empty and
// `isUnreadable`, with one error counted; a folder on another mount than `mount` comes back
// empty.
Node::Ptr scan(const std::string& path, const Options& options);

// Walks folders another walk gave away, each opened beneath `shared.parent` without following a
// link and checked to be the folder listed: a subtree per folder, in order, or nothing for one
// that could not be opened (its error counted). Empty when the walk was cancelled.
// `options.base`, `beneath`, `expected` and `subfolders` do not apply.
std::vector<Node::Ptr> scanShared(const SharedFolders& shared, const Options& options);

// The bytes deleting one file would free, given its allocated size; nothing when the path
// cannot be examined.
std::optional<int64_t> uniqueSize(const std::string& atPath, int64_t allocated);

// A file's unique size from its sharing facts: the private size when blocks may be shared and
// it does not exceed the allocated size, else the allocated size.
int64_t uniqueFrom(int64_t allocated, const std::optional<platform::SharingFacts>& sharing);

} // namespace TreeScanner
} // namespace tavelin
