#pragma once

// Keeps a finished scan's tree following the disk: watches the scanned folder with a
// FolderWatcher, lists changed folders again one at a time through a queue, and walks again the
// subtrees whose detail was lost or that arrived whole. The window's model owns one; so does a
// command-line watcher.
//
// A subtree to walk again that is the root itself is walked whole, in place: detail was lost
// everywhere, and listing the root alone would keep the rest as it was.
//
// Lives on the UI thread, the one that runs `queue`; hooks run there. Held by a shared_ptr:
// callbacks find it through a weak reference and do nothing once it is gone.

#include "scan/FolderWatcher.h"
#include "scan/ScanSession.h"
#include "util/Dates.h"
#include "util/MainQueue.h"

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tavelin {

class LiveUpdater : public std::enable_shared_from_this<LiveUpdater> {
public:
    static constexpr double kLatency = 5.0;

    struct Context {
        std::shared_ptr<MainQueue> queue;
        // Changes beneath this folder are the program's own writes (the scan history): no work.
        std::string ignored;
        double latency = kLatency;
    };
    struct Hooks {
        // Every change reported has been measured: the queue is empty and no walk runs.
        std::function<void()> settled;
        // The watcher's watches are in place.
        std::function<void(const FolderWatcher::Coverage&)> ready;
        // Once per watcher: the limit on watches left folders unwatched.
        std::function<void()> limitReached;
    };

    LiveUpdater(Context context, Hooks hooks);

    // Stops watching, and replays from now: a new scan starts, and what changes while it runs
    // must reach the next watcher.
    void scanStarting();
    // Stops, then watches the session's folder from `watchSince` once its folders are listed on
    // the pool; nothing for a scan that runs.
    void restart(const std::shared_ptr<ScanSession>& session);
    // Stops the watcher and forgets the queue; measurements under way end without continuing it.
    void stop();

    // The handler the watcher calls with each batch.
    void handle(const std::vector<FolderWatcher::Event>& events);
    void enqueueRefresh(const std::string& path);

    const FolderWatcher* watcher() const { return watcher_.get(); }
    Date watchSince() const { return watchSince_; }
    const std::deque<std::string>& refreshQueue() const { return refreshQueue_; }
    bool isRefreshing() const { return isRefreshing_; }
    int rescansRunning() const { return rescans_; }

private:
    void watch(const ScanSession& session,
               std::shared_ptr<const FolderWatcher::KnownFolders> known);
    void rescan(ScanSession& session, const Node::Ptr& node);
    void refreshNext();
    void settleIfIdle();
    // Runs `step` on the UI thread later, while this updater lives and has not stopped since.
    void later(void (LiveUpdater::*step)());
    std::function<void()> continuation(void (LiveUpdater::*step)());

    Context context_;
    Hooks hooks_;
    std::weak_ptr<ScanSession> session_;
    std::unique_ptr<FolderWatcher> watcher_;
    Date watchSince_ = kDistantPast;
    std::deque<std::string> refreshQueue_;
    bool isRefreshing_ = false;
    int rescans_ = 0;
    // Raised by `stop`: what was started before no longer continues the queue or the count.
    uint64_t generation_ = 0;
};

} // namespace tavelin
