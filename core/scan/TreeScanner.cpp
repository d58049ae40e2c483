#include "scan/TreeScanner.h"

#include "platform/Directories.h"
#include "scan/Exclusions.h"
#include "scan/ExtensionTally.h"
#include "scan/ScanCounter.h"
#include "scan/Walker.h"
#include "util/Paths.h"

#include <cerrno>

namespace tavelin::TreeScanner {
namespace {

Walker makeWalker(const platform::FileFacts& top, int fd, const Options& options) {
    Walker::Settings settings{.mount = top.mount,
                              .threshold = options.threshold,
                              .descend = options.descend,
                              .shareAware = options.shareAware ? *options.shareAware
                                                               : platform::canShareExtents(fd),
                              .sharing = options.sharing,
                              .claimLinks = options.claimLinks};
    const Exclusions* exclusions =
        options.exclusions && !options.exclusions->empty() ? options.exclusions : nullptr;
    return Walker(settings, options.counter, options.links, options.skip, exclusions,
                  options.isCancelled);
}

Node::Ptr makeTop(const std::string& path, const platform::FileFacts& top) {
    auto root = Node::makeRoot(lastPathComponent(path), path);
    root->modified = dateFromTimespec(top.modifiedSeconds, top.modifiedNanoseconds);
    return root;
}

void finishWalk(Walker& walker, const Options& options) {
    walker.flush(nullptr);
    if (options.tally) {
        std::lock_guard guard(options.tally->lock);
        walker.tally().addTo(options.tally->value);
    }
    if (options.claimLinks && !walker.cancelled())
        options.links.release(walker.measured(), walker.held());
}

// The folder opened for listing; one that cannot be read is opened as a place instead, so that
// its facts can still be read.
platform::UniqueFd openTop(const std::string& path, const Options& options, bool& listable) {
    platform::UniqueFd listing = options.base >= 0
                                     ? platform::openListingBeneath(options.base, options.beneath)
                                     : platform::openListing(path.c_str());
    listable = static_cast<bool>(listing);
    if (listable || errno != EACCES)
        return listing;
    return options.base >= 0 ? platform::openFolderBeneath(options.base, options.beneath)
                             : platform::openFolder(path.c_str());
}

} // namespace

Node::Ptr scan(const std::string& path, const Options& options) {
    platform::raiseOpenFileLimitOnce();
    bool listable = false;
    platform::UniqueFd fd = openTop(path, options, listable);
    platform::FileFacts top;
    if (!fd || platform::readFileFacts(fd.get(), "", top) != 0 ||
        (options.expected && *options.expected != top.id())) {
        options.counter.addErrors(1);
        return nullptr;
    }
    auto root = makeTop(path, top);
    if (options.mount && *options.mount != top.mount)
        return root;

    Walker walker = makeWalker(top, fd.get(), options);
    walker.countOwnBlocks(*root, top);
    if (listable) {
        walker.walk(std::move(fd), *root, path, top.id());
    } else {
        root->isUnreadable = true;
        options.counter.addErrors(1);
    }
    finishWalk(walker, options);
    if (options.subfolders)
        *options.subfolders = walker.subfolders();
    return walker.cancelled() ? nullptr : root;
}

std::vector<Node::Ptr> scanShared(const SharedFolders& shared, const Options& options) {
    platform::FileFacts parent;
    if (platform::readFileFacts(shared.parent->get(), "", parent) != 0) {
        options.counter.addErrors(static_cast<int64_t>(shared.folders.size()));
        return std::vector<Node::Ptr>(shared.folders.size());
    }
    Walker walker = makeWalker(parent, shared.parent->get(), options);
    std::vector<Node::Ptr> results;
    results.reserve(shared.folders.size());
    for (const SharedFolders::Folder& folder : shared.folders) {
        platform::UniqueFd fd =
            platform::openSubdirectory(shared.parent->get(), folder.node->name.c_str());
        platform::FileFacts top;
        if (!fd || platform::readFileFacts(fd.get(), "", top) != 0 || top.id() != folder.id) {
            options.counter.addErrors(1);
            results.emplace_back();
            continue;
        }
        std::string path = shared.parentPath;
        appendPathComponent(path, folder.node->name);
        Node::Ptr root = makeTop(path, top);
        if (top.mount == parent.mount) {
            walker.countOwnBlocks(*root, top);
            walker.walk(std::move(fd), *root, path, top.id());
        }
        results.push_back(std::move(root));
        if (walker.cancelled())
            return {};
    }
    finishWalk(walker, options);
    return results;
}

std::optional<int64_t> uniqueSize(const std::string& atPath, int64_t allocated) {
    platform::PathSharing sharing = platform::readPathSharing(atPath.c_str(), allocated);
    if (!sharing.readable)
        return std::nullopt;
    return uniqueFrom(allocated, sharing.facts);
}

int64_t uniqueFrom(int64_t allocated, const std::optional<platform::SharingFacts>& sharing) {
    if (sharing && sharing->mayShareBlocks && sharing->privateSize >= 0 &&
        sharing->privateSize <= allocated)
        return sharing->privateSize;
    return allocated;
}

} // namespace tavelin::TreeScanner
