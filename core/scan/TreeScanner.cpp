#include "scan/TreeScanner.h"

#include "platform/Directories.h"
#include "scan/ExtensionTally.h"
#include "scan/ScanCounter.h"
#include "scan/Walker.h"
#include "util/Paths.h"

namespace tavelin::TreeScanner {

Node::Ptr scan(const std::string& path, const Options& options) {
    platform::raiseOpenFileLimitOnce();
    platform::UniqueFd place = options.base >= 0
                                   ? platform::openFolderBeneath(options.base, options.beneath)
                                   : platform::openFolder(path.c_str());
    platform::FileFacts top;
    if (!place || platform::readFileFacts(place.get(), "", top) != 0 ||
        (options.expected && *options.expected != top.id())) {
        options.counter.addErrors(1);
        return nullptr;
    }
    auto root = Node::makeRoot(lastPathComponent(path), path);
    root->modified = dateFromTimespec(top.modifiedSeconds, top.modifiedNanoseconds);
    if (options.mount && *options.mount != top.mount)
        return root;

    Walker::Settings settings{.mount = top.mount,
                              .threshold = options.threshold,
                              .descend = options.descend,
                              .shareAware = platform::canShareExtents(place.get())};
    Walker walker(settings, options.counter, options.links, options.skip, options.isCancelled);
    walker.countOwnBlocks(*root, top.allocated);
    platform::UniqueFd listing = platform::openListing(place.get());
    place.reset();
    if (listing) {
        walker.walk(std::move(listing), *root, path);
    } else {
        root->isUnreadable = true;
        options.counter.addErrors(1);
    }
    walker.flush(nullptr);
    if (options.tally)
        options.tally->value.merge(walker.tally());
    if (options.subfolders)
        *options.subfolders = walker.subfolders();
    return walker.cancelled() ? nullptr : root;
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
