#include "scan/Walker.h"

#include "platform/Directories.h"
#include "platform/SharedExtents.h"
#include "scan/Exclusions.h"
#include "scan/LinkSet.h"
#include "util/Paths.h"

#include <algorithm>

namespace tavelin {
namespace {

void addFigures(Node& to, const Node& from) {
    (Node::Figures::of(to) + Node::Figures::of(from)).setOn(to);
}

} // namespace

Walker::Walker(Settings settings, ScanCounter& counter, LinkSet& links, const PathSet& skip,
               const Exclusions* exclusions, const std::function<bool()>& isCancelled)
    : settings_(settings)
    , counter_(counter)
    , links_(links)
    , skip_(skip)
    , exclusions_(exclusions)
    , isCancelled_(isCancelled) {}

void Walker::countOwnBlocks(Node& folder, const platform::FileFacts& facts) {
    int64_t allocated = facts.allocated;
    folder.size += allocated;
    folder.unique += allocated;
    folder.apparent += facts.apparent;
    folder.smallFileSize += allocated;
    folder.smallFileUnique += allocated;
    folder.smallFileApparent += facts.apparent;
    pending_.bytes += allocated;
    pending_.unique += allocated;
    pending_.apparent += facts.apparent;
}

void Walker::walk(platform::UniqueFd fd, Node& node, std::string_view path, platform::FileId id) {
    path_.assign(path);
    enter(std::move(fd), node, id);
    if (!settings_.descend) {
        levels_.clear();
        if (!cancelled_)
            node.sortChildren();
        return;
    }
    while (!levels_.empty() && !cancelled_) {
        Level& level = levels_.back();
        if (level.next == subfolders_.size()) {
            leave();
            continue;
        }
        if (shareDue_ && settings_.sharing && settings_.sharing->wanted()) {
            shareDue_ = false;
            shareShallowest();
        }
        enterNextSubfolder(level);
    }
    // A cancelled walk closes the folders it still holds; its tree is dropped unsorted.
    levels_.clear();
}

void Walker::enter(platform::UniqueFd fd, Node& node, platform::FileId id) {
    size_t first = subfolders_.size();
    levels_.push_back({std::move(fd), &node, id, path_.size(), first, first});
    if (settings_.claimLinks)
        measured_.push_back(id);
    list(levels_.back().fd.get(), node);
}

void Walker::enterNextSubfolder(Level& level) {
    const TreeScanner::ListedFolder& next = subfolders_[level.next++];
    Node& folder = *next.node;
    platform::FileId id = next.id;
    if (folder.needsAccess) {
        addFigures(*level.node, folder);
        return;
    }
    platform::UniqueFd fd = platform::openSubdirectory(level.fd.get(), folder.name.c_str());
    if (!fd) {
        // Deeper than the open-file limit ends here too, as one error.
        ++pending_.errors;
        folder.isUnreadable = true;
        addFigures(*level.node, folder);
        return;
    }
    // The last sub-folder is the level's last use of its descriptor: closing it now keeps a chain
    // of folders at a few descriptors, whatever its depth.
    if (level.next == subfolders_.size())
        level.fd.reset();
    appendPathComponent(path_, folder.name);
    enter(std::move(fd), folder, id);
}

size_t Walker::runEnd(size_t at) const {
    return at + 1 < levels_.size() ? levels_[at + 1].firstSubfolder : subfolders_.size();
}

// The shallowest level with sub-folders left gives the later half of them: the largest piece of
// work the walk has yet to do. The level being listed keeps at least the one it enters next.
void Walker::shareShallowest() {
    for (size_t at = 0; at < levels_.size(); ++at) {
        Level& level = levels_[at];
        size_t end = runEnd(at);
        bool deepest = at + 1 == levels_.size();
        size_t left = end - level.next;
        if (left >= (deepest ? 2 : 1)) {
            shareLaterPart(at, level.next + (deepest ? (left + 1) / 2 : left / 2));
            return;
        }
    }
}

void Walker::shareLaterPart(size_t at, size_t kept) {
    Level& level = levels_[at];
    size_t end = runEnd(at);
    TreeScanner::SharedFolders gift;
    gift.parent = std::make_shared<const platform::UniqueFd>(level.fd.duplicate());
    if (!*gift.parent)
        return;
    gift.parentPath = path_.substr(0, level.pathLength);
    for (size_t i = kept; i < end; ++i)
        if (!subfolders_[i].node->needsAccess)
            gift.folders.push_back({subfolders_[i].node->shared_from_this(), subfolders_[i].id});
    if (gift.folders.empty() || !settings_.sharing->give(gift))
        return;
    // The given folders count their own blocks here, as skipped ones do; the other walk brings
    // the rest.
    for (size_t i = kept; i < end; ++i)
        addFigures(*level.node, *subfolders_[i].node);
    subfolders_.erase(subfolders_.begin() + static_cast<std::ptrdiff_t>(kept),
                      subfolders_.begin() + static_cast<std::ptrdiff_t>(end));
    for (size_t deeper = at + 1; deeper < levels_.size(); ++deeper) {
        levels_[deeper].firstSubfolder -= end - kept;
        levels_[deeper].next -= end - kept;
    }
}

void Walker::leave() {
    Level& level = levels_.back();
    Node& node = *level.node;
    node.sortChildren();
    subfolders_.resize(level.firstSubfolder);
    levels_.pop_back();
    if (levels_.empty())
        return;
    addFigures(*levels_.back().node, node);
    path_.resize(levels_.back().pathLength);
}

void Walker::list(int fd, Node& node) {
    // All names of a folder are read before any sub-folder is entered: the listing buffer is
    // shared, and only one descriptor per level stays open.
    while (reader_.next(fd)) {
        if (!reader_.forEach([&](std::string_view name) { return visit(fd, node, name); }))
            return;
        countLinkedFiles(fd, node);
    }
    if (reader_.error() != 0) {
        ++pending_.errors;
        node.isUnreadable = true;
    }
}

bool Walker::visit(int fd, Node& node, std::string_view name) {
    platform::FileFacts facts;
    if (exclusions_ && isExcluded(name))
        ++pending_.excluded;
    else if (platform::readFileFacts(fd, name.data(), facts) != 0)
        ++pending_.errors;
    else if (facts.isDirectory)
        addDirectory(node, name, facts);
    else
        addFile(fd, node, name, facts);

    if (++steps_ % kShareEvery == 0)
        shareDue_ = true;
    if (steps_ < kPublishEvery)
        return true;
    steps_ = 0;
    std::string_view shown = path_;
    flush(&shown);
    cancelled_ = isCancelled_();
    return !cancelled_;
}

void Walker::addDirectory(Node& node, std::string_view name, const platform::FileFacts& facts) {
    if (facts.mount != settings_.mount)
        return;
    auto folder = Node::make(std::string(name), Node::Kind::directory);
    folder->modified = dateFromTimespec(facts.modifiedSeconds, facts.modifiedNanoseconds);
    countOwnBlocks(*folder, facts);
    folder->needsAccess = !skip_.empty() && pathIn(skip_, name);
    subfolders_.push_back({folder.get(), facts.id()});
    node.append(std::move(folder));
}

// Left out before its facts are read: an excluded entry costs no system call.
bool Walker::isExcluded(std::string_view name) {
    return exclusions_->excludesName(name) ||
           (exclusions_->hasPaths() && pathIn(exclusions_->paths(), name));
}

bool Walker::pathIn(const PathSet& paths, std::string_view name) {
    size_t length = path_.size();
    appendPathComponent(path_, name);
    bool found = paths.contains(path_);
    path_.resize(length);
    return found;
}

void Walker::addFile(int fd, Node& node, std::string_view name, const platform::FileFacts& facts) {
    // A file bind-mounted from elsewhere is no more part of this disk than a mounted folder.
    if (facts.mount != settings_.mount)
        return;
    if (facts.linkCount < 2) {
        countFile(fd, node, name, facts);
        return;
    }
    linked_.emplace_back(name, facts);
    claims_.push_back({{facts.device, facts.inode}, levels_.back().id});
}

void Walker::countLinkedFiles(int fd, Node& node) {
    if (claims_.empty())
        return;
    links_.decide(claims_, settings_.claimLinks);
    for (size_t i = 0; i < claims_.size(); ++i) {
        if (settings_.claimLinks)
            held_.emplace_back(claims_[i].key, claims_[i].folder);
        if (claims_[i].counts)
            countFile(fd, node, linked_[i].first, linked_[i].second);
    }
    linked_.clear();
    claims_.clear();
}

void Walker::countFile(int fd, Node& node, std::string_view name,
                       const platform::FileFacts& facts) {
    int64_t allocated = facts.allocated;
    int64_t unique = allocated;
    if (settings_.shareAware && facts.isRegular && allocated > 0)
        unique = TreeScanner::uniqueFrom(allocated,
                                         platform::readSharingFacts(fd, name.data(), allocated));

    node.size += allocated;
    node.unique += unique;
    node.apparent += facts.apparent;
    node.fileCount += 1;
    // A sparse or compressed file shows its two sizes, so its length earns it a node too.
    if (std::max(allocated, facts.apparent) >= settings_.threshold) {
        auto file = Node::make(std::string(name), Node::Kind::file);
        file->size = allocated;
        file->unique = unique;
        file->apparent = facts.apparent;
        file->fileCount = 1;
        file->modified = dateFromTimespec(facts.modifiedSeconds, facts.modifiedNanoseconds);
        node.append(std::move(file));
    } else {
        node.smallFileCount += 1;
        node.smallFileSize += allocated;
        node.smallFileUnique += unique;
        node.smallFileApparent += facts.apparent;
    }
    tally_.add(name, allocated, facts.apparent);
    pending_.files += 1;
    pending_.bytes += allocated;
    pending_.unique += unique;
    pending_.apparent += facts.apparent;
}

void Walker::flush(const std::string_view* path) {
    counter_.add(pending_, path);
    pending_ = {};
}

} // namespace tavelin
