#pragma once

// One scan of one folder or disk. Lists the top folder at once, cuts the tree below into jobs
// (folders at depth 1 are only listed, so that their sub-folders show live; depth-2 folders are
// walked whole), runs the jobs on background walkers, and grafts each finished subtree into the
// shown tree on the UI thread. Folders still being measured show live figures from their job's
// counter. A walker that sees another one idle hands it sub-folders itself, without the UI thread;
// a job is grafted once everything it gave away is back, so results and progress are as one walker
// would give them.
//
// After the scan, `rescan` and `refresh` measure changed folders again, each on a background
// walker of its own, and graft the result in place on the UI thread.
//
// Threads: every member function runs on the UI thread (the thread that runs `queue`), and
// so do `onChange` and `onFinish`. Walkers touch only their own subtree and the shared
// LinkSet, ScanCounter and CancelFlag; the UI thread never waits on them. Held by a
// shared_ptr: background results find the session through a weak reference and are dropped
// once it is gone.

#include "platform/FileFacts.h"
#include "platform/UniqueFd.h"
#include "scan/CancelFlag.h"
#include "scan/Exclusions.h"
#include "scan/ExtensionTally.h"
#include "scan/IdleWorkers.h"
#include "scan/LinkSet.h"
#include "scan/Node.h"
#include "scan/ScanCounter.h"
#include "scan/ScanReports.h"
#include "scan/TreeScanner.h"
#include "util/Dates.h"
#include "util/MainQueue.h"
#include "util/StringHash.h"
#include "util/WorkerPool.h"

#include <chrono>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace tavelin {

class ScanSession : public std::enable_shared_from_this<ScanSession> {
public:
    // A change smaller than this is not worth showing.
    static constexpr int64_t visibleChange = 1'000'000;

    struct Job {
        Node::Ptr node;
        platform::FileId folder; // the folder its parent's listing met
        int depth = 1;
        Job* parent = nullptr;
        int index = 0;
        bool split = true;
        std::shared_ptr<ScanCounter> counter;
        std::shared_ptr<TallyBox> tally = std::make_shared<TallyBox>();
        bool done = false;
        bool listed = false;
        int pending = 0;
        int64_t errors = 0; // read from the counter so far
        int64_t excluded = 0;
        Node::Figures own; // a listed folder's own files and blocks
    };

    // Where the session runs its parts: the UI thread's queue, the pool its walkers run on, and
    // how many walkers may run at once.
    struct Context {
        std::shared_ptr<MainQueue> queue;
        std::shared_ptr<WorkerPool> pool;
        int workerCount = 2;
    };

    ScanSession(const std::string& path, std::optional<std::string> name, PathSet skip,
                std::optional<int64_t> expectedSize, int64_t largeFileThreshold, Context context);
    // A session that shows a tree built elsewhere, with its figures summed, instead of walking
    // a folder: `start` finishes it on the next turn of the queue, and measuring again does
    // nothing, as there is no folder to read.
    ScanSession(Node::Ptr builtRoot, ExtensionTally kinds, int64_t largeFileThreshold,
                Context context);
    ~ScanSession();
    ScanSession(const ScanSession&) = delete;
    ScanSession& operator=(const ScanSession&) = delete;

    // The most walkers to run at once for a number of active processor cores: eight per core,
    // from 8 to 16. Walkers wait on the disk more than on the processor: on two cores a cold scan
    // of a million entries takes under half the time with 16 walkers that it takes with 2. A warm
    // tree keeps one walker per core busy, and more only take turns: a scan starts with one per
    // core and lets the rest join once its walkers are seen waiting on the disk. Walkers that
    // find nothing queued share their folders, so all can work.
    static int workerCount(int activeCores);

    // What every walk of this session leaves out, rescans and refreshes included; set before
    // `start`.
    void setExclusions(Exclusions exclusions);
    void start();
    void cancel();
    void pauseTreeUpdates();
    void resumeTreeUpdates();
    // Takes a node out of the shown tree and the totals (after the user deleted or moved it).
    void remove(const Node::Ptr& node);
    // Walks a folder's whole subtree again (the root's too) and grafts it in place, adjusting
    // every ancestor: a folder gone is removed, one that cannot be walked any more is marked
    // unreadable. Nothing for a folder the scan is still measuring. While the folder or one
    // above it is being walked again already, waits for that walk, then walks. `done` runs once
    // it is all over, whatever came of it.
    void rescan(const Node::Ptr& node, std::function<void()> done = {});
    // Lists one folder again: the node at the path, else its nearest ancestor in the tree. Takes
    // its files and its sub-folders as they are now (those that vanished leave, new ones arrive
    // and are then walked), adjusts every ancestor, and tells `onChange` only of a change worth
    // showing. Nothing while the scan runs; a folder gone is removed. Waits, like `rescan`, for
    // a walk of the folder or one above it. `done` runs once the new sub-folders are walked.
    void refresh(const std::string& directoryAt, std::function<void()> done = {});
    // The node at the path, else the nearest folder above it in the tree, the root included;
    // nullptr for a path outside the scanned folder.
    Node* nearestNode(const std::string& path) const;
    double elapsed() const;

    std::function<void()> onChange;
    std::function<void(const Node::Ptr&)> onFinish;

    const Node::Ptr& root() const { return root_; }
    const std::shared_ptr<WorkerPool>& pool() const { return context_.pool; }
    const std::string& path() const { return path_; }
    bool isRunning() const { return isRunning_; }
    // Whether the tree was built elsewhere (no folder here to read or follow).
    bool isBuilt() const { return isBuilt_; }
    bool isPaused() const { return pauses_ > 0; }
    Date startDate() const { return startDate_; }
    std::optional<Date> endDate() const { return endDate_; }
    int64_t files() const { return files_; }
    int64_t bytes() const { return bytes_; }
    int64_t errors() const { return errors_; }
    // Entries the full scan left out by the exclusions (each counts once, whatever it holds).
    int64_t excluded() const { return excluded_; }
    const Exclusions& exclusions() const { return *exclusions_; }
    const std::string& currentPath() const { return currentPath_; }
    const PathSet& skipped() const { return *skipped_; }
    const ExtensionTally& kinds() const { return kinds_; }
    int64_t threshold() const { return threshold_; }
    std::optional<uint64_t> volumeDevice() const { return volumeDevice_; }
    const std::vector<std::unique_ptr<Job>>& jobs() const { return jobs_; }
    const std::vector<Job*>& topJobs() const { return topJobs_; }
    size_t heldCount() const { return held_.size(); }
    int64_t baseSize() const { return base_.size; }

private:
    // What a walker that took sub-folders of a job hands back: each folder's placeholder in the
    // giving walk's tree, and its subtree (nothing when it could not be walked). Its extensions
    // went to the job's tally.
    struct SharedResult {
        std::vector<Node::Ptr> places{};
        std::vector<Node::Ptr> nodes{};
    };
    // What a job's walker hands back: its subtree (nothing when the folder could not be opened
    // or the walk was cancelled), with what the sub-folders it gave away brought grafted in, and
    // for a listing the identities of the sub-folders it met.
    struct Result {
        int index = 0;
        Node::Ptr node{};
        std::vector<TreeScanner::ListedFolder> subfolders{};
    };
    class Sharer;
    class Walkers;
    // A job as its walker needs it.
    struct JobWalk {
        std::string path{};
        std::string beneath{};
        int index = 0;
        bool split = true;
        platform::FileId folder{};
        std::shared_ptr<ScanCounter> counter{};
        std::shared_ptr<TallyBox> tally{};
        std::shared_ptr<Sharer> sharer{}; // for a whole walk
    };

    using Done = std::function<void()>;
    // A measurement waiting for a walk of its folder, or of one above it, to end.
    struct Waiting {
        std::string path;
        bool rescan = false;
        Done done;
    };
    // What listing a folder again changed.
    struct Relisted {
        std::vector<Node::Ptr> arrived; // new sub-folders, still to walk
        bool visible = false;
    };

    void listRoot();
    void addJobs(Job* parent, const Node& folder,
                 const std::vector<TreeScanner::ListedFolder>& subfolders);
    Job& addJob(const Node::Ptr& node, Job* parent, platform::FileId folder);
    void pump();
    void pumpLater();
    std::vector<Job*> nextBatch();
    JobWalk walkOf(Job& job);
    void launch(const std::vector<Job*>& batch);
    // Hands results to the session on the UI thread, while the session lives.
    static void deliver(const std::shared_ptr<MainQueue>& queue, std::weak_ptr<ScanSession> session,
                        std::vector<Result> results);
    void accept(std::vector<Result> results);
    void handle(Result& result);
    static void graftShared(SharedResult& shared);
    bool inShownTree(const Node& node) const;
    void lowerOwnFigures(const Node* folder, const Node::Figures& gone);
    void complete(Job& job);
    void sumListedJob(Job& job);
    // Takes the errors the job's counter has counted since it was last read, and with
    // `figures` shows its figures on the job's folder.
    void readCounter(Job& job, bool figures);
    void refreshTotals();
    // Lets the walkers held in reserve join when the walkers are seen waiting on the disk: the
    // process had data read from storage since the last look, or used under half of the cores'
    // time.
    void addWalkersIfWaiting();
    void changed();
    void tick();
    void finish();
    bool cancelled() const { return cancelFlag_->isSet(); }
    // The path relative to the root folder, "." for the root itself.
    std::string beneath(const std::string& path) const;

    void whenUnpaused(std::function<void()> work);
    void startRescan(const Node::Ptr& node, bool tellAlways, Done done);
    void graftRescan(const Node::Ptr& node, const std::string& path, const Node::Ptr& walked,
                     bool tellAlways, Done done);
    void startRefresh(const std::string& path, Done done);
    void graftListing(const Node::Ptr& node, const std::string& path, const Node::Ptr& listing,
                      Done done);
    Relisted reconcile(Node& node, Node& listing);
    void walkArrived(const std::vector<Node::Ptr>& arrived, Done done);
    // Walks (or only lists) `path` on the pool with a counter of its own, claiming files with
    // several names from the scan's set, and hands the result to `then` on the UI thread while
    // the session lives.
    void walkAgain(const std::string& path, bool descend,
                   std::function<void(ScanSession&, Node::Ptr)> then);
    bool beingRewalked(const std::string& path) const;
    void rewalkEnded(const Node::Ptr& node);

    Context context_;
    std::string path_;
    Node::Ptr root_;
    bool isRunning_ = false;
    Date startDate_;
    std::optional<Date> endDate_;
    int64_t files_ = 0;
    int64_t bytes_ = 0;
    int64_t errors_ = 0;
    int64_t excluded_ = 0;
    std::string currentPath_;
    // The root folder, opened once: jobs open their folders beneath it, so a link swapped into
    // a path or a root path near the length limit cannot mislead them.
    std::shared_ptr<const platform::UniqueFd> rootFolder_;
    bool rootListed_ = false;
    bool isBuilt_ = false;
    std::shared_ptr<const PathSet> skipped_;
    std::shared_ptr<const Exclusions> exclusions_ = std::make_shared<const Exclusions>();
    ExtensionTally kinds_;
    std::vector<Result> held_;
    // Holders of the tree (advisor passes, the watcher's set-up) pause and resume it each.
    int pauses_ = 0;
    std::vector<Node::Ptr> heldRemovals_;
    // Jobs above this depth are only listed; those at it are walked whole.
    static constexpr int kSplitDepth = 2;
    int64_t threshold_;
    std::shared_ptr<LinkSet> links_ = std::make_shared<LinkSet>();
    std::shared_ptr<CancelFlag> cancelFlag_ = std::make_shared<CancelFlag>();
    std::vector<std::unique_ptr<Job>> jobs_;
    std::vector<Job*> topJobs_;
    std::optional<uint64_t> volumeDevice_;
    bool shareAware_ = false; // files on the scanned mount can share data
    Node::Figures base_; // what the root holds outside every job: its own files, skipped folders
    int64_t baseErrors_ = 0;
    int64_t baseExcluded_ = 0;

    // The runner: jobs wait in `queue_` from `cursor_` on; `inFlight_` jobs are waiting for or
    // being walked by `walkers_`, on at most as many workers as `idle_` hands out.
    std::vector<Job*> queue_;
    size_t cursor_ = 0;
    int inFlight_ = 0;
    bool pumpPosted_ = false;
    std::shared_ptr<IdleWorkers> idle_;
    std::shared_ptr<Walkers> walkers_; // once the root is listed
    int reserve_ = 0;                  // walkers that join once the walkers wait on the disk
    std::clock_t processorMark_ = 0;
    std::chrono::steady_clock::time_point wallMark_;
    std::optional<int64_t> storageMark_;
    // Jobs whose counters changed since the totals were last refreshed; a refresh reads only
    // those. Folders above a job take the difference of each change, so nothing is summed again.
    std::shared_ptr<ScanReports> reports_ = std::make_shared<ScanReports>();
    std::vector<int> reported_;
    int64_t jobErrors_ = 0;
    int64_t jobExcluded_ = 0;
    // The job whose walker's folder `currentPath` shows; -1 for none.
    int pathJob_ = -1;

    // Measuring again after the scan: folders being walked again, what waits for them, and what
    // waits for tree updates to resume.
    std::vector<Node::Ptr> rewalking_;
    std::vector<Waiting> waiting_;
    std::vector<std::function<void()>> heldWork_;
};

} // namespace tavelin
