#include "scan/FolderWatcher.h"

#include "platform/Directories.h"
#include "platform/DirectoryReader.h"
#include "platform/FileFacts.h"
#include "platform/FileSystemMark.h"
#include "platform/Inotify.h"
#include "platform/WakeableWait.h"
#include "util/Paths.h"

#include <atomic>
#include <cerrno>
#include <map>
#include <optional>
#include <set>
#include <unordered_map>

namespace tavelin {
namespace {

// File systems stamp changes with a clock that may lag the system's by a tick; a folder changed
// just after `since` must not look older.
constexpr std::chrono::seconds kClockSlack(1);
// After each read the reader rests this long, so that a file written in many small pieces
// queues one change instead of waking the reader for each.
constexpr int kRestMs = 20;
// While it sets up watches, the reader reads what is queued every this many folders, so that
// the kernel's queue does not overflow on a busy disk.
constexpr int kReadEvery = 256;

// Whether a member of `set` other than `path` is "/" or an ancestor of it.
bool covered(const std::set<std::string>& set, const std::string& path) {
    for (std::string at = parentPath(path); !at.empty() && at != path; at = parentPath(at)) {
        if (set.contains(at))
            return true;
        if (at == "/")
            break;
    }
    return false;
}

} // namespace

// What the watcher hands to the UI thread; `stopped` is read and written there only.
struct FolderWatcher::Delivery {
    Handler handler;
    Hooks hooks;
    bool stopped = false;
};

// The watcher's thread: sets up the watches, reads the changes, and batches them. Paths are kept
// relative to the root ("" for the root itself), which keeps most of them short.
class FolderWatcher::Reader {
public:
    Reader(platform::Inotify inotify, std::string root, Date since,
           std::chrono::milliseconds latency, std::shared_ptr<Delivery> delivery,
           std::shared_ptr<MainQueue> queue, std::shared_ptr<const KnownFolders> known,
           Exclusions exclusions)
        : inotify_(std::move(inotify))
        , known_(std::move(known))
        , exclusions_(std::move(exclusions))
        , root_(std::move(root))
        , since_(since - kClockSlack)
        , latency_(latency)
        , delivery_(std::move(delivery))
        , queue_(std::move(queue)) {}

    void run();
    // Callable from any thread.
    void requestStop() {
        stopping_ = true;
        wait_.wake();
    }
    bool canWait() const { return static_cast<bool>(wait_); }

private:
    struct Level {
        platform::UniqueFd fd;
        size_t pathLength = 0;
        std::vector<std::string> subfolders;
        size_t next = 0;
    };

    bool openRoot();
    void watchKnown();
    void watchSubtree(const std::string& relative, bool replay);
    bool enter(platform::UniqueFd fd, bool replay);
    // Takes what adding the watch of the folder at `path_` gave.
    void adopt(int watch);
    void noteChange(const platform::FileFacts& facts);
    void readNowAndThen();
    void readQueued();
    void handle(const platform::FolderChange& change);
    // The folder a change names, relative; nothing for one outside the root.
    std::optional<std::string> folderOf(const platform::FolderChange& change) const;
    void unwatchSubtree(const std::string& relative);
    void forget(int watch);
    void noteLimit();
    void flush();
    std::string absolute(std::string_view relative) const;
    // Whether the entry `name` of the folder at `relative` is left out.
    bool excluded(std::string_view relative, std::string_view name) const;
    template <typename Work>
    void post(Work work);

    platform::Inotify inotify_;
    std::shared_ptr<const KnownFolders> known_;
    const Exclusions exclusions_;
    std::optional<platform::FileSystemMark> mark_;
    platform::WakeableWait wait_;
    std::string root_;
    std::string markedRoot_;
    Date since_;
    std::chrono::milliseconds latency_;
    std::shared_ptr<Delivery> delivery_;
    std::shared_ptr<MainQueue> queue_;
    std::atomic<bool> stopping_{false};

    platform::UniqueFd rootFd_;
    uint64_t mount_ = 0;
    platform::DirectoryReader reader_;
    std::string path_; // the folder being set up, relative
    std::vector<Level> levels_;
    int64_t walked_ = 0;
    int sinceRead_ = 0;
    // Each watched folder's path once: a key of `watchOf_`, which `folderOf_` points into.
    std::map<std::string, int> watchOf_;                   // folder → watch, in path order
    std::unordered_map<int, const std::string*> folderOf_; // watch → folder
    bool limited_ = false;
    std::vector<std::string> toWatch_; // folders that arrived, to watch with their subtrees
    bool resync_ = false;              // changes were lost: watch everything again
    std::set<std::string> refresh_;
    std::set<std::string> rescan_;
    std::optional<std::chrono::steady_clock::time_point> due_;
};

template <typename Work>
void FolderWatcher::Reader::post(Work work) {
    queue_->post([delivery = delivery_, work = std::move(work)] {
        if (!delivery->stopped)
            work(*delivery);
    });
}

void FolderWatcher::Reader::run() {
    if (!openRoot())
        return;
    if (platform::isMountRoot(rootFd_.get())) {
        mark_.emplace(rootFd_.get());
        // A mark names folders by where they really are, which a root reached through a link
        // is not.
        markedRoot_ = platform::pathOf(rootFd_.get());
        if (!*mark_ || markedRoot_.empty())
            mark_.reset();
    }
    if (known_ && !known_->folders.empty())
        watchKnown();
    else
        watchSubtree("", true);
    if (stopping_)
        return;
    Coverage coverage{mark_ ? walked_ : static_cast<int64_t>(folderOf_.size()), limited_,
                      mark_.has_value()};
    post([coverage](Delivery& delivery) {
        if (delivery.hooks.ready)
            delivery.hooks.ready(coverage);
    });
    if (!refresh_.empty())
        flush();
    while (!stopping_) {
        if (resync_) {
            resync_ = false;
            folderOf_.clear();
            watchOf_.clear();
            toWatch_.clear();
            watchSubtree("", false);
        }
        while (!toWatch_.empty() && !stopping_) {
            std::string next = std::move(toWatch_.back());
            toWatch_.pop_back();
            watchSubtree(next, false);
        }
        auto now = std::chrono::steady_clock::now();
        if (due_ && now >= *due_) {
            flush();
            continue;
        }
        int timeout = -1;
        if (due_)
            timeout =
                static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(*due_ - now).count());
        if (!wait_.wait(mark_ ? mark_->fd() : inotify_.fd(), timeout) || stopping_)
            continue;
        readQueued();
        wait_.rest(kRestMs);
    }
}

// The root may be reached through a symbolic link, as the scan reached it; nothing beneath it.
bool FolderWatcher::Reader::openRoot() {
    rootFd_ = platform::openFolder(root_.c_str());
    platform::FileFacts facts;
    if (!rootFd_ || platform::readFileFacts(rootFd_.get(), "", facts) != 0)
        return false;
    mount_ = facts.mount;
    return true;
}

// Watches the folder at `relative` and every folder beneath it on the root's mount, without
// recursion and never through a symbolic link; with `replay`, reports each one changed since
// `since_`.
void FolderWatcher::Reader::watchSubtree(const std::string& relative, bool replay) {
    platform::UniqueFd place = platform::openFolderBeneath(rootFd_.get(), relative);
    platform::UniqueFd fd = place ? platform::openListing(place.get()) : platform::UniqueFd();
    if (!fd)
        return;
    path_ = relative;
    if (!enter(std::move(fd), replay))
        return;
    while (!levels_.empty() && !stopping_) {
        Level& level = levels_.back();
        if (level.next == level.subfolders.size()) {
            levels_.pop_back();
            if (!levels_.empty())
                path_.resize(levels_.back().pathLength);
            continue;
        }
        const std::string& name = level.subfolders[level.next++];
        platform::UniqueFd sub = platform::openSubdirectory(level.fd.get(), name.c_str());
        if (!sub)
            continue;
        size_t length = path_.size();
        if (!path_.empty())
            path_ += '/';
        path_ += name;
        if (!enter(std::move(sub), replay))
            path_.resize(length);
        readNowAndThen();
    }
    levels_.clear();
}

// The folders the scan found are watched by path, without listing them; those changed since
// `since_` are listed afterwards, and folders made in them meanwhile watched with everything
// beneath them.
void FolderWatcher::Reader::watchKnown() {
    const auto& folders = known_->folders;
    std::vector<std::pair<uint32_t, size_t>> open; // folders on the path: index, path length
    std::vector<std::pair<uint32_t, std::string>> changed;
    for (uint32_t i = 0; i < folders.size() && !stopping_;) {
        while (!open.empty() && open.back().first != folders[i].parent)
            open.pop_back();
        path_.resize(open.empty() ? 0 : open.back().second);
        if (i > 0) {
            if (!path_.empty())
                path_ += '/';
            path_ += folders[i].name;
        }
        // The root is reached through its descriptor: its path may be a symbolic link.
        std::string folder = absolute(path_);
        platform::FileFacts facts;
        int found = i == 0 ? platform::readFileFacts(rootFd_.get(), "", facts)
                           : platform::readFileFacts(folder.c_str(), facts);
        if (found != 0 || !facts.isDirectory || facts.mount != mount_) {
            i = std::max(folders[i].end, i + 1);
            continue;
        }
        ++walked_;
        adopt(mark_      ? -1
              : limited_ ? -ENOSPC
              : i == 0   ? inotify_.watch(rootFd_.get())
                         : inotify_.watch(folder.c_str()));
        if (dateFromTimespec(facts.changedSeconds, facts.changedNanoseconds) >= since_) {
            noteChange(facts);
            changed.emplace_back(i, path_);
        }
        open.emplace_back(i, path_.size());
        ++i;
        readNowAndThen();
    }
    for (const auto& [index, relative] : changed) {
        std::set<std::string_view> known;
        for (uint32_t j = index + 1; j < folders[index].end; j = std::max(folders[j].end, j + 1))
            known.insert(folders[j].name);
        platform::UniqueFd place = platform::openFolderBeneath(rootFd_.get(), relative);
        platform::UniqueFd fd = place ? platform::openListing(place.get()) : platform::UniqueFd();
        std::vector<std::string> arrived;
        while (fd && reader_.next(fd.get()))
            reader_.forEachFolder([&](std::string_view name) {
                if (!known.contains(name) && !excluded(relative, name))
                    arrived.emplace_back(relative.empty() ? std::string(name)
                                                          : relative + "/" + std::string(name));
                return true;
            });
        for (const std::string& folder : arrived)
            watchSubtree(folder, false);
    }
    known_.reset();
}

void FolderWatcher::Reader::readNowAndThen() {
    if (++sinceRead_ < kReadEvery)
        return;
    sinceRead_ = 0;
    readQueued();
}

// Watches one open folder and lists its sub-folders; false, with nothing kept, for a folder on
// another mount.
bool FolderWatcher::Reader::enter(platform::UniqueFd fd, bool replay) {
    platform::FileFacts facts;
    if (platform::readFileFacts(fd.get(), "", facts) != 0 || facts.mount != mount_)
        return false;
    ++walked_;
    adopt(mark_ ? -1 : limited_ ? -ENOSPC : inotify_.watch(fd.get()));
    if (replay)
        noteChange(facts);
    Level level{std::move(fd), path_.size(), {}, 0};
    while (reader_.next(level.fd.get()))
        reader_.forEachFolder([&](std::string_view name) {
            if (!excluded(path_, name))
                level.subfolders.emplace_back(name);
            return true;
        });
    levels_.push_back(std::move(level));
    return true;
}

void FolderWatcher::Reader::adopt(int watch) {
    if (watch >= 0) {
        auto [place, inserted] = watchOf_.try_emplace(path_, watch);
        if (!inserted && place->second != watch) {
            folderOf_.erase(place->second);
            place->second = watch;
        }
        auto [known, added] = folderOf_.try_emplace(watch, &place->first);
        if (!added && known->second != &place->first) {
            // Watched already under another name: the folder was moved.
            watchOf_.erase(watchOf_.find(*known->second));
            known->second = &place->first;
        }
    } else if (watch == -ENOSPC) {
        noteLimit();
    }
}

void FolderWatcher::Reader::noteChange(const platform::FileFacts& facts) {
    if (dateFromTimespec(facts.changedSeconds, facts.changedNanoseconds) >= since_)
        refresh_.insert(path_);
}

void FolderWatcher::Reader::noteLimit() {
    if (limited_)
        return;
    limited_ = true;
    post([](Delivery& delivery) {
        if (delivery.hooks.limitReached)
            delivery.hooks.limitReached();
    });
}

void FolderWatcher::Reader::readQueued() {
    for (;;) {
        std::vector<platform::FolderChange> changes = mark_ ? mark_->read() : inotify_.read();
        if (changes.empty())
            return;
        for (const platform::FolderChange& change : changes)
            handle(change);
    }
}

void FolderWatcher::Reader::handle(const platform::FolderChange& change) {
    using Kind = platform::FolderChange::Kind;
    if (change.kind == Kind::overflow) {
        rescan_.insert("");
        // Folders may have arrived unreported: watch everything again. A mark misses nothing.
        resync_ = !mark_;
    } else if (change.kind == Kind::watchEnded) {
        forget(change.watch);
        return;
    } else {
        std::optional<std::string> folder = folderOf(change);
        // A mark reports changes inside excluded folders too.
        if (!folder || excluded(*folder, change.name) ||
            (mark_ && exclusions_.covers(root_, absolute(*folder))))
            return;
        refresh_.insert(*folder);
        if (change.kind != Kind::entries) {
            std::string child = folder->empty() ? std::string(change.name)
                                                : *folder + "/" + std::string(change.name);
            if (change.kind == Kind::folderAdded) {
                rescan_.insert(child);
                if (!mark_)
                    toWatch_.push_back(std::move(child));
            } else if (!mark_) {
                unwatchSubtree(child);
            }
        }
    }
    if (!due_)
        due_ = std::chrono::steady_clock::now() + latency_;
}

std::optional<std::string>
FolderWatcher::Reader::folderOf(const platform::FolderChange& change) const {
    if (!mark_) {
        auto found = folderOf_.find(change.watch);
        if (found == folderOf_.end())
            return std::nullopt;
        return *found->second;
    }
    // A mark sees the whole file system: other mounts of it, and folders outside the root.
    std::string_view folder = change.folder;
    if (folder == markedRoot_)
        return std::string();
    std::string_view top = markedRoot_ == "/" ? std::string_view() : std::string_view(markedRoot_);
    if (folder.size() <= top.size() + 1 || !folder.starts_with(top) || folder[top.size()] != '/')
        return std::nullopt;
    return std::string(folder.substr(top.size() + 1));
}

void FolderWatcher::Reader::unwatchSubtree(const std::string& relative) {
    auto drop = [&](std::map<std::string, int>::iterator at) {
        inotify_.unwatch(at->second);
        folderOf_.erase(at->second);
        return watchOf_.erase(at);
    };
    if (auto exact = watchOf_.find(relative); exact != watchOf_.end())
        drop(exact);
    // Everything beneath sorts together after "a/"; names such as "a b" sort before it.
    std::string prefix = relative + "/";
    for (auto at = watchOf_.lower_bound(prefix);
         at != watchOf_.end() && at->first.starts_with(prefix);)
        at = drop(at);
}

void FolderWatcher::Reader::forget(int watch) {
    auto found = folderOf_.find(watch);
    if (found == folderOf_.end())
        return;
    auto place = watchOf_.find(*found->second);
    folderOf_.erase(found);
    if (place != watchOf_.end() && place->second == watch)
        watchOf_.erase(place);
}

void FolderWatcher::Reader::flush() {
    due_.reset();
    std::vector<Event> events;
    events.reserve(rescan_.size() + refresh_.size());
    for (const std::string& folder : rescan_)
        events.push_back({absolute(folder), true});
    for (const std::string& folder : refresh_)
        events.push_back({absolute(folder), false});
    rescan_.clear();
    refresh_.clear();
    if (events.empty())
        return;
    post([events = std::move(events)](Delivery& delivery) { delivery.handler(events); });
}

std::string FolderWatcher::Reader::absolute(std::string_view relative) const {
    return relative.empty() ? root_ : joinPath(root_, relative);
}

bool FolderWatcher::Reader::excluded(std::string_view relative, std::string_view name) const {
    if (exclusions_.empty() || name.empty())
        return false;
    return exclusions_.excludesName(name) ||
           (exclusions_.hasPaths() &&
            exclusions_.paths().contains(joinPath(absolute(relative), name)));
}

FolderWatcher::FolderWatcher(std::shared_ptr<Delivery> delivery, std::shared_ptr<Reader> reader)
    : delivery_(std::move(delivery))
    , reader_(std::move(reader))
    , thread_([reader = reader_] { reader->run(); }) {}

std::shared_ptr<const FolderWatcher::KnownFolders>
FolderWatcher::KnownFolders::of(const Node& root) {
    auto known = std::make_shared<KnownFolders>();
    auto& folders = known->folders;
    std::vector<std::pair<const Node*, uint32_t>> pending{{&root, 0}};
    while (!pending.empty()) {
        auto [node, parent] = pending.back();
        pending.pop_back();
        auto index = static_cast<uint32_t>(folders.size());
        folders.push_back({parent, index + 1, node == &root ? std::string() : node->name});
        const auto& children = node->children();
        for (auto child = children.rbegin(); child != children.rend(); ++child)
            if ((*child)->isDirectory() && !(*child)->needsAccess)
                pending.emplace_back(child->get(), index);
    }
    // Each folder's subtree ends where the last of its sub-folders' does.
    for (size_t i = folders.size(); i-- > 1;)
        folders[folders[i].parent].end = std::max(folders[folders[i].parent].end, folders[i].end);
    return known;
}

std::unique_ptr<FolderWatcher> FolderWatcher::make(const std::string& root, Date since,
                                                   double latency, Handler handler,
                                                   std::shared_ptr<MainQueue> queue, Hooks hooks,
                                                   std::shared_ptr<const KnownFolders> known,
                                                   Exclusions exclusions) {
    platform::Inotify inotify;
    if (!inotify)
        return nullptr;
    auto delivery = std::make_shared<Delivery>(Delivery{std::move(handler), std::move(hooks)});
    auto delay = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::duration<double>(latency));
    auto reader =
        std::make_shared<Reader>(std::move(inotify), standardizedPath(root), since, delay, delivery,
                                 std::move(queue), std::move(known), std::move(exclusions));
    if (!reader->canWait())
        return nullptr;
    return std::unique_ptr<FolderWatcher>(new FolderWatcher(delivery, std::move(reader)));
}

FolderWatcher::~FolderWatcher() {
    stop();
}

void FolderWatcher::stop() {
    delivery_->stopped = true;
    reader_->requestStop();
    if (thread_.joinable())
        thread_.join();
}

Date FolderWatcher::now() {
    return std::chrono::system_clock::now();
}

FolderWatcher::Coalesced FolderWatcher::coalesce(const std::vector<Event>& events) {
    std::set<std::string> rescans;
    std::set<std::string> refreshes;
    for (const Event& event : events)
        (event.rescanSubtree ? rescans : refreshes).insert(event.path);
    Coalesced result;
    for (const std::string& path : rescans)
        if (!covered(rescans, path))
            result.rescan.push_back(path);
    for (const std::string& path : refreshes)
        if (!rescans.contains(path) && !covered(rescans, path))
            result.refresh.push_back(path);
    return result;
}

} // namespace tavelin
