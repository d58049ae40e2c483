#include "scan/Walker.h"

#include "platform/Directories.h"
#include "platform/FileFacts.h"
#include "platform/SharedExtents.h"
#include "scan/LinkSet.h"
#include "scan/TreeScanner.h"
#include "util/Paths.h"

namespace tavelin {

Walker::Walker(Settings settings, ScanCounter& counter, LinkSet& links, const PathSet& skip,
               const std::function<bool()>& isCancelled)
    : settings_(settings)
    , counter_(counter)
    , links_(links)
    , skip_(skip)
    , isCancelled_(isCancelled) {}

void Walker::walk(int fd, Node& node, std::string& path) {
    // All names of a folder are read before any sub-folder is entered: the listing buffer is
    // shared, and only one descriptor per level stays open.
    size_t firstSubfolder = subfolders_.size();
    while (reader_.next(fd)) {
        bool whole =
            reader_.forEach([&](std::string_view name) { return visit(fd, node, path, name); });
        if (!whole) {
            subfolders_.resize(firstSubfolder);
            return;
        }
    }
    if (reader_.error() != 0) {
        ++pending_.errors;
        node.isUnreadable = true;
    }
    if (settings_.descend)
        enter(fd, node, path, firstSubfolder);
    subfolders_.resize(firstSubfolder);
    if (!cancelled_)
        node.sortChildren();
}

bool Walker::visit(int fd, Node& node, std::string& path, std::string_view name) {
    platform::FileFacts facts;
    if (platform::readFileFacts(fd, name.data(), facts) != 0)
        ++pending_.errors;
    else if (facts.isDirectory)
        addDirectory(node, path, name, facts);
    else
        addFile(fd, node, name, facts);

    if (++steps_ < kPublishEvery)
        return true;
    steps_ = 0;
    std::string_view shown = path;
    flush(&shown);
    cancelled_ = isCancelled_();
    return !cancelled_;
}

void Walker::addDirectory(Node& node, const std::string& path, std::string_view name,
                          const platform::FileFacts& facts) {
    if (facts.mount != settings_.mount)
        return;
    auto folder = Node::make(std::string(name), Node::Kind::directory);
    folder->modified = dateFromTimespec(facts.modifiedSeconds, facts.modifiedNanoseconds);
    Node* raw = folder.get();
    node.append(std::move(folder));
    if (!skip_.empty() && skip_.contains(joinPath(path, name)))
        raw->needsAccess = true;
    else
        subfolders_.push_back(raw);
}

void Walker::addFile(int fd, Node& node, std::string_view name, const platform::FileFacts& facts) {
    if (facts.linkCount >= 2 && !links_.insert({facts.device, facts.inode}))
        return;
    int64_t allocated = facts.allocated;
    int64_t unique = allocated;
    if (settings_.shareAware && facts.isRegular && allocated > 0)
        unique = TreeScanner::uniqueFrom(allocated,
                                         platform::readSharingFacts(fd, name.data(), allocated));

    node.size += allocated;
    node.unique += unique;
    node.fileCount += 1;
    if (allocated >= settings_.threshold) {
        auto file = Node::make(std::string(name), Node::Kind::file);
        file->size = allocated;
        file->unique = unique;
        file->fileCount = 1;
        file->modified = dateFromTimespec(facts.modifiedSeconds, facts.modifiedNanoseconds);
        node.append(std::move(file));
    } else {
        node.smallFileCount += 1;
        node.smallFileSize += allocated;
        node.smallFileUnique += unique;
    }
    tally_.add(name, allocated);
    pending_.files += 1;
    pending_.bytes += allocated;
    pending_.unique += unique;
}

void Walker::enter(int fd, Node& node, std::string& path, size_t firstSubfolder) {
    // Indexes, not iterators: deeper levels append to the same list while this one walks it.
    for (size_t i = firstSubfolder; i < subfolders_.size(); ++i) {
        Node* folder = subfolders_[i];
        if (cancelled_)
            return;
        platform::UniqueFd folderFd = platform::openSubdirectory(fd, folder->name.c_str());
        if (!folderFd) {
            ++pending_.errors;
            folder->isUnreadable = true;
            continue;
        }
        size_t length = path.size();
        if (path != "/")
            path += '/';
        path += folder->name;
        walk(folderFd.get(), *folder, path);
        path.resize(length);
        node.size += folder->size;
        node.unique += folder->unique;
        node.fileCount += folder->fileCount;
    }
}

void Walker::flush(const std::string_view* path) {
    counter_.add(pending_, path);
    pending_ = {};
}

} // namespace tavelin
