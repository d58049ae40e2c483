#pragma once

// Follows changes beneath a scanned folder, so that its tree can be measured again where it
// changed. Reports batches of `Event`s on the UI thread: a folder whose entries changed is to be
// listed again; a subtree whose detail was lost (the kernel's queue overflowed) or that arrived
// whole (a folder created or moved in, perhaps over one of the same name) is to be walked again.
//
// One inotify watch per folder beneath the root and on its mount, added on the watcher's own
// thread, which also reads the changes and hands them over in batches, `latency` after the first
// change of each. A root at the top of its mount (a whole disk) is followed instead through one
// fanotify mark on its file system, where the process may do that: no watch per folder. When it
// starts, the watcher reports every folder changed at or after `since`, so what changed while the
// scan ran is caught. A folder created or moved in is watched as soon as it is reported, one moved
// out no longer is. When the user's limit on watches is reached, what is watched stays watched, and
// `limitReached` says so once. What the exclusions leave out is neither watched nor reported.
//
// Threads: `make`, `stop` and the destructor on the UI thread (the thread that runs `queue`);
// the handler and the hooks run there too, never after `stop`.

#include "scan/Exclusions.h"
#include "scan/Node.h"
#include "util/Dates.h"
#include "util/MainQueue.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace tavelin {

class FolderWatcher {
public:
    struct Event {
        std::string path; // absolute, standardized
        bool rescanSubtree = false;
        bool operator==(const Event&) const = default;
    };
    struct Coalesced {
        std::vector<std::string> refresh; // folders to list again, sorted
        std::vector<std::string> rescan;  // subtrees to walk again, sorted
        bool operator==(const Coalesced&) const = default;
    };
    // How many folders the watcher follows once its first watches are in place, whether the
    // limit on watches left some out, and whether one mark on the file system follows them.
    struct Coverage {
        int64_t folders = 0;
        bool partial = false;
        bool wholeFileSystem = false;
    };
    // The folders a scan found beneath the root, the root first and each folder before those
    // beneath it, so that the watcher need not list them all again to find them: it lists only
    // those changed since, for folders made meanwhile.
    struct KnownFolders {
        struct Folder {
            uint32_t parent = 0; // the folder it is in; the root's is the root
            uint32_t end = 0;    // one past the last folder beneath it
            std::string name;
        };
        std::vector<Folder> folders;

        // The folders of a scan tree, left out those the scan did not enter.
        static std::shared_ptr<const KnownFolders> of(const Node& root);
    };
    using Handler = std::function<void(std::vector<Event>)>;
    struct Hooks {
        std::function<void(const Coverage&)> ready;
        std::function<void()> limitReached;
    };

    // Nothing when the system cannot watch at all.
    static std::unique_ptr<FolderWatcher> make(const std::string& root, Date since, double latency,
                                               Handler handler, std::shared_ptr<MainQueue> queue,
                                               Hooks hooks = {},
                                               std::shared_ptr<const KnownFolders> known = {},
                                               Exclusions exclusions = {});
    ~FolderWatcher();
    FolderWatcher(const FolderWatcher&) = delete;
    FolderWatcher& operator=(const FolderWatcher&) = delete;

    // Stops watching; nothing is reported afterwards, not even what was already posted.
    // Idempotent.
    void stop();

    // The position from which a later watcher replays changes: now.
    static Date now();
    // Drops duplicates and every path that a subtree to walk again covers.
    static Coalesced coalesce(const std::vector<Event>& events);

private:
    struct Delivery;
    class Reader;

    FolderWatcher(std::shared_ptr<Delivery> delivery, std::shared_ptr<Reader> reader);

    std::shared_ptr<Delivery> delivery_;
    std::shared_ptr<Reader> reader_;
    std::thread thread_;
};

} // namespace tavelin
