#pragma once

// Measures one folder subtree for TreeScanner: lists each folder in bulk, stats every entry
// relative to its folder, keeps small files as figures on their folder, counts hard-linked
// files once per scan, stays on one mount, and publishes running figures every 4,096 entries.
//
// The inner loop is the hottest code of the product: per small file it makes no heap
// allocation and, beyond the statx, no system call (except the extent map where files can
// share data).

#include "platform/DirectoryReader.h"
#include "platform/FileFacts.h"
#include "scan/ExtensionTally.h"
#include "scan/Node.h"
#include "scan/ScanCounter.h"
#include "util/StringHash.h"

#include <functional>
#include <string>
#include <vector>

namespace tavelin {

class LinkSet;

class Walker {
public:
    struct Settings {
        uint64_t mount = 0;      // the mount the walk stays on
        int64_t threshold = 0;   // files at or above it get a node of their own
        bool descend = true;     // false: list the top folder only
        bool shareAware = false; // the file system can share data between files
    };

    Walker(Settings settings, ScanCounter& counter, LinkSet& links, const PathSet& skip,
           const std::function<bool()>& isCancelled);

    // Fills `node` from the open folder `fd`; `path` is the folder's path and is left as it was.
    void walk(int fd, Node& node, std::string& path);
    // Publishes the pending figures, and the folder being walked when a path is given.
    void flush(const std::string_view* path);

    bool cancelled() const { return cancelled_; }
    const ExtensionTally& tally() const { return tally_; }

    static constexpr int kPublishEvery = 4096;

private:
    bool visit(int fd, Node& node, std::string& path, std::string_view name);
    void addDirectory(Node& node, const std::string& path, std::string_view name,
                      const platform::FileFacts& facts);
    void addFile(int fd, Node& node, std::string_view name, const platform::FileFacts& facts);
    void enter(int fd, Node& node, std::string& path, size_t firstSubfolder);

    Settings settings_;
    ScanCounter& counter_;
    LinkSet& links_;
    const PathSet& skip_;
    const std::function<bool()>& isCancelled_;
    bool cancelled_ = false;
    ExtensionTally tally_;
    platform::DirectoryReader reader_;
    ScanCounter::Snapshot pending_;
    // Sub-folders still to enter, for every level being walked: each level's own run starts
    // where the list ended when the level began, so no level allocates a list of its own.
    std::vector<Node*> subfolders_;
    int steps_ = 0;
};

} // namespace tavelin
