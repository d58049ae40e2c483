#pragma once

// Measures one folder subtree for TreeScanner: lists each folder in bulk, stats every entry
// relative to its folder, keeps small files as figures on their folder, counts each folder's own
// blocks, counts hard-linked files once per scan, stays on one mount, and publishes running
// figures every 4,096 entries.
//
// The inner loop is the hottest code of the product: per small file it makes no heap
// allocation and, beyond the statx, no system call (except the extent map where files can
// share data). Depth costs no stack: the folders being walked are kept on an explicit stack,
// one open descriptor per level that still has sub-folders to enter. When a worker is idle, a walk
// gives it half of the sub-folders it has yet to enter at the shallowest level that has some, the
// largest piece of its work (at most once every 512 entries), so one long walk does not keep the
// others waiting.

#include "platform/DirectoryReader.h"
#include "platform/FileFacts.h"
#include "platform/UniqueFd.h"
#include "scan/ExtensionCounts.h"
#include "scan/LinkSet.h"
#include "scan/Node.h"
#include "scan/ScanCounter.h"
#include "scan/TreeScanner.h"
#include "util/StringHash.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tavelin {

class Exclusions;

class Walker {
public:
    struct Settings {
        uint64_t mount = 0;                      // the mount the walk stays on
        int64_t threshold = 0;                   // files at or above it get a node of their own
        bool descend = true;                     // false: list the top folder only
        bool shareAware = false;                 // the file system can share data between files
        TreeScanner::Sharing* sharing = nullptr; // takes sub-folders for idle workers
        // Measuring again: files with several names are claimed rather than inserted, and the
        // walk keeps what it met for `LinkSet::release`.
        bool claimLinks = false;
    };

    // `exclusions` is null when nothing is left out.
    Walker(Settings settings, ScanCounter& counter, LinkSet& links, const PathSet& skip,
           const Exclusions* exclusions, const std::function<bool()>& isCancelled);

    // Counts a folder's own blocks and length in its figures (every measure, no file).
    void countOwnBlocks(Node& folder, const platform::FileFacts& facts);
    // Fills `node` from the open folder `fd` (the folder `id`), which `path` names: its entries,
    // and when descending everything beneath it, the sub-folders' figures added to it.
    void walk(platform::UniqueFd fd, Node& node, std::string_view path, platform::FileId id);
    // Publishes the pending figures, and the folder being walked when a path is given.
    void flush(const std::string_view* path);

    bool cancelled() const { return cancelled_; }
    const ExtensionCounts& tally() const { return tally_; }
    // After a walk that does not descend: the top folder's sub-folders, in listing order.
    const std::vector<TreeScanner::ListedFolder>& subfolders() const { return subfolders_; }
    // With `claimLinks`: the folders listed, and the files with several names met in each.
    const std::vector<platform::FileId>& measured() const { return measured_; }
    const std::vector<std::pair<LinkSet::Key, platform::FileId>>& held() const { return held_; }

    static constexpr int kPublishEvery = 4096;
    // Sub-folders are given away at most once every so many entries, so that gifts stay worth
    // the hand-over however small the folders are, yet come soon enough for walkers that wait on
    // a cold disk.
    static constexpr int kShareEvery = 512;
    static_assert(kPublishEvery % kShareEvery == 0);

private:
    // One folder being walked: its sub-folders are `subfolders_` from `firstSubfolder` on, and
    // `next` is the one to enter next.
    struct Level {
        platform::UniqueFd fd;
        Node* node = nullptr;
        platform::FileId id;
        size_t pathLength = 0;
        size_t firstSubfolder = 0;
        size_t next = 0;
    };

    void enter(platform::UniqueFd fd, Node& node, platform::FileId id);
    void enterNextSubfolder(Level& level);
    // Where the sub-folders of the level `at` end in `subfolders_`.
    size_t runEnd(size_t at) const;
    void shareShallowest();
    // Gives the sub-folders of the level `at` from `kept` on to an idle worker.
    void shareLaterPart(size_t at, size_t kept);
    void leave();
    void list(int fd, Node& node);
    bool visit(int fd, Node& node, std::string_view name);
    void addDirectory(Node& node, std::string_view name, const platform::FileFacts& facts);
    void addFile(int fd, Node& node, std::string_view name, const platform::FileFacts& facts);
    void countFile(int fd, Node& node, std::string_view name, const platform::FileFacts& facts);
    // Counts the files with several names met in the batch just listed that count here.
    void countLinkedFiles(int fd, Node& node);
    bool isExcluded(std::string_view name);
    bool pathIn(const PathSet& paths, std::string_view name);

    Settings settings_;
    ScanCounter& counter_;
    LinkSet& links_;
    const PathSet& skip_;
    const Exclusions* exclusions_;
    const std::function<bool()>& isCancelled_;
    bool cancelled_ = false;
    ExtensionCounts tally_;
    platform::DirectoryReader reader_;
    ScanCounter::Snapshot pending_;
    // The path of the folder being listed, grown and cut back in place as levels come and go.
    std::string path_;
    std::vector<Level> levels_;
    // Sub-folders still to enter, for every level being walked: each level's own run starts
    // where the list ended when the level began, so no level allocates a list of its own.
    std::vector<TreeScanner::ListedFolder> subfolders_;
    int steps_ = 0;
    bool shareDue_ = true;
    // The files with several names met in the batch being listed, decided on together so that
    // the shared set's lock is taken once a batch rather than once a file.
    std::vector<std::pair<std::string_view, platform::FileFacts>> linked_;
    std::vector<LinkSet::Claim> claims_;
    std::vector<platform::FileId> measured_;
    std::vector<std::pair<LinkSet::Key, platform::FileId>> held_;
};

} // namespace tavelin
