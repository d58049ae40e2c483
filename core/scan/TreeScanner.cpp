#include "scan/TreeScanner.h"

#include "platform/Directories.h"
#include "platform/FileFacts.h"
#include "scan/ExtensionTally.h"
#include "scan/ScanCounter.h"
#include "scan/Walker.h"
#include "util/Paths.h"

namespace tavelin::TreeScanner {

Node::Ptr scan(const std::string& path, ScanCounter& counter, LinkSet& links, int64_t threshold,
               const PathSet& skip, bool descend, TallyBox* tally, std::optional<uint64_t> device,
               const std::function<bool()>& isCancelled) {
    platform::raiseOpenFileLimitOnce();
    platform::FileFacts top;
    if (platform::readFileFacts(path.c_str(), top) != 0 || !top.isDirectory)
        return nullptr;
    auto root = Node::makeRoot(lastPathComponent(path), path);
    root->modified = dateFromTimespec(top.modifiedSeconds, top.modifiedNanoseconds);
    if (device && *device != top.mount)
        return root;

    platform::UniqueFd fd = platform::openDirectory(path.c_str());
    if (!fd) {
        root->isUnreadable = true;
        counter.addErrors(1);
        return root;
    }
    Walker::Settings settings{.mount = top.mount,
                              .threshold = threshold,
                              .descend = descend,
                              .shareAware = platform::canShareExtents(fd.get())};
    Walker walker(settings, counter, links, skip, isCancelled);
    std::string walkPath = path;
    walker.walk(fd.get(), *root, walkPath);
    fd.reset();
    walker.flush(nullptr);
    if (tally)
        tally->value.merge(walker.tally());
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
