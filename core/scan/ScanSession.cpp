#include "scan/ScanSession.h"

#include "platform/Directories.h"
#include "platform/Files.h"
#include "platform/SharedExtents.h"
#include "platform/StorageReads.h"
#include "util/Paths.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <unordered_set>

namespace tavelin {
namespace {

using Figures = Node::Figures;

bool worthShowing(const Figures& change) {
    return std::llabs(change.size) + std::llabs(change.unique) >= ScanSession::visibleChange;
}

// The folders above a node whose figures were `before` take the difference.
void settle(Node& node, const Figures& before) {
    node.adjustAncestorsKeepingOrder(Figures::of(node) - before);
}

void call(const std::function<void()>& done) {
    if (done)
        done();
}

// One walker per core, of the most a scan may run.
int walkersAtFirst(int most) {
    return std::min(most, std::max(1, static_cast<int>(std::thread::hardware_concurrency())));
}

} // namespace

// What every walk of the scan shares, and the batches of jobs ready to be walked. A walker goes
// from one batch to the next without waiting for the UI thread, and frees its worker once none
// is left, so a scan keeps as few threads busy as it has work for.
class ScanSession::Walkers final : public std::enable_shared_from_this<Walkers> {
public:
    struct Setting {
        std::weak_ptr<ScanSession> session;
        std::shared_ptr<MainQueue> queue;
        // The pool the walkers run on; a pool outlives its tasks.
        WorkerPool* pool = nullptr;
        std::shared_ptr<IdleWorkers> idle;
        std::shared_ptr<LinkSet> links;
        std::shared_ptr<const PathSet> skip;
        std::shared_ptr<const Exclusions> exclusions;
        std::shared_ptr<CancelFlag> cancel;
        std::shared_ptr<const platform::UniqueFd> rootFolder;
        int64_t threshold = 0;
        std::optional<uint64_t> mount;
        bool shareAware = false;
    };

    explicit Walkers(Setting setting)
        : setting_(std::move(setting)) {}

    const Setting& setting() const { return setting_; }
    // What a walk of the folder at `beneath` the root needs, its own counter and tally apart.
    TreeScanner::Options options(ScanCounter& counter, TallyBox* tally) const;
    // Queues a batch, and starts a walker for it when a worker is idle.
    void push(std::vector<JobWalk> batch);
    size_t readyCount();
    // Forgets the batches not yet taken (their sharers hold the walkers).
    void drop();
    // Starts a walker for each batch waiting, as far as workers are idle.
    void startIdle();
    // Walks ready batches on a worker already taken until none is left, then frees the worker.
    void work();

private:
    std::optional<std::vector<JobWalk>> takeOrLeave();
    std::vector<Result> walk(std::vector<JobWalk>& batch);
    void start();

    Setting setting_;
    std::mutex lock_;
    std::deque<std::vector<JobWalk>> ready_; // guarded by lock_
};

TreeScanner::Options ScanSession::Walkers::options(ScanCounter& counter, TallyBox* tally) const {
    return {.counter = counter,
            .links = *setting_.links,
            .skip = *setting_.skip,
            .exclusions = setting_.exclusions.get(),
            .isCancelled = [cancel = setting_.cancel] { return cancel->isSet(); },
            .threshold = setting_.threshold,
            .tally = tally,
            .mount = setting_.mount,
            .shareAware = setting_.shareAware,
            .base = setting_.rootFolder->get()};
}

void ScanSession::Walkers::push(std::vector<JobWalk> batch) {
    bool start = false;
    {
        // A walker leaving sees this batch, or frees its worker before the take below.
        std::lock_guard guard(lock_);
        ready_.push_back(std::move(batch));
        setting_.idle->setJobsWaiting(true);
        start = setting_.idle->take();
    }
    if (start)
        this->start();
}

size_t ScanSession::Walkers::readyCount() {
    std::lock_guard guard(lock_);
    return ready_.size();
}

void ScanSession::Walkers::drop() {
    std::lock_guard guard(lock_);
    ready_.clear();
    setting_.idle->setJobsWaiting(false);
}

void ScanSession::Walkers::startIdle() {
    size_t started = 0;
    {
        std::lock_guard guard(lock_);
        while (started < ready_.size() && setting_.idle->take())
            ++started;
    }
    for (size_t i = 0; i < started; ++i)
        start();
}

void ScanSession::Walkers::start() {
    setting_.pool->submit([self = shared_from_this()] { self->work(); });
}

// A walker takes its next batch before it hands back the results of the last one: the jobs those
// results bring are then always started as tasks of their own on the pool, which is where the
// scan's tests hold them.
void ScanSession::Walkers::work() {
    auto batch = takeOrLeave();
    while (batch) {
        std::vector<Result> results = walk(*batch);
        batch = takeOrLeave();
        deliver(setting_.queue, setting_.session, std::move(results));
    }
}

std::optional<std::vector<ScanSession::JobWalk>> ScanSession::Walkers::takeOrLeave() {
    std::lock_guard guard(lock_);
    if (ready_.empty()) {
        setting_.idle->release();
        return std::nullopt;
    }
    std::vector<JobWalk> batch = std::move(ready_.front());
    ready_.pop_front();
    setting_.idle->setJobsWaiting(!ready_.empty());
    return batch;
}

// Gives a whole walk's sub-folders to idle workers, from the walker threads. Every walk of the
// job, given folders included, publishes into the job's counter and may give away in turn. The
// last of them to end grafts what the others measured into the walk's tree and hands the whole
// to the session, so that the UI thread receives one tree as one walk would give it.
class ScanSession::Sharer final : public TreeScanner::Sharing,
                                  public std::enable_shared_from_this<Sharer> {
public:
    struct Walk {
        std::shared_ptr<Walkers> walkers;
        std::shared_ptr<ScanCounter> counter;
        std::shared_ptr<TallyBox> tally;
    };

    explicit Sharer(Walk walk)
        : walk_(std::move(walk)) {}

    bool wanted() const override { return walk_.walkers->setting().idle->wantedForSharing(); }
    bool give(TreeScanner::SharedFolders& folders) override;
    // The walk's own result, once it has ended: whole already when nothing it gave is still
    // out; otherwise the last gift back hands the whole to the session.
    std::optional<Result> walkEnded(Result result);

private:
    void giftEnded(SharedResult back);
    // The whole, grafted, once the walk and every walk of what was given have ended.
    std::optional<Result> takeIfWhole(std::unique_lock<std::mutex>& lock);

    Walk walk_;
    std::mutex lock_;
    std::optional<Result> walked_;   // guarded by lock_
    std::vector<SharedResult> back_; // guarded by lock_
    size_t given_ = 0;               // guarded by lock_
};

bool ScanSession::Sharer::give(TreeScanner::SharedFolders& folders) {
    const Walkers::Setting& setting = walk_.walkers->setting();
    if (!setting.idle->takeForSharing())
        return false;
    {
        // Counted before the giving walk ends, so its end finds the count complete.
        std::lock_guard guard(lock_);
        ++given_;
    }
    auto gift = std::make_shared<TreeScanner::SharedFolders>(std::move(folders));
    setting.pool->submit([self = shared_from_this(), gift] {
        SharedResult back;
        TreeScanner::Options options =
            self->walk_.walkers->options(*self->walk_.counter, self->walk_.tally.get());
        options.sharing = self.get();
        back.nodes = TreeScanner::scanShared(*gift, options);
        for (auto& folder : gift->folders)
            back.places.push_back(std::move(folder.node));
        self->giftEnded(std::move(back));
        // The worker goes on with batches queued meanwhile.
        self->walk_.walkers->work();
    });
    return true;
}

std::optional<ScanSession::Result> ScanSession::Sharer::walkEnded(Result result) {
    std::unique_lock lock(lock_);
    walked_ = std::move(result);
    return takeIfWhole(lock);
}

void ScanSession::Sharer::giftEnded(SharedResult back) {
    std::unique_lock lock(lock_);
    back_.push_back(std::move(back));
    if (auto whole = takeIfWhole(lock)) {
        std::vector<Result> results;
        results.push_back(std::move(*whole));
        const Walkers::Setting& setting = walk_.walkers->setting();
        deliver(setting.queue, setting.session, std::move(results));
    }
}

// Every walk has ended once the walk has and as many gifts are back as were given: a gift that
// gave folders away counted them before it ended.
std::optional<ScanSession::Result>
ScanSession::Sharer::takeIfWhole(std::unique_lock<std::mutex>& lock) {
    if (!walked_ || back_.size() != given_)
        return std::nullopt;
    Result whole = std::move(*walked_);
    walked_.reset();
    std::vector<SharedResult> back = std::move(back_);
    lock.unlock();
    // A cancelled walk's tree is dropped whole.
    if (whole.node) {
        for (SharedResult& shared : back)
            graftShared(shared);
    }
    return whole;
}

// The batch's walks run one after the other; the results whole by the end go back to the UI
// thread together. A cancelled scan's batches come back empty, unwalked.
std::vector<ScanSession::Result> ScanSession::Walkers::walk(std::vector<JobWalk>& batch) {
    std::vector<Result> whole;
    for (JobWalk& walk : batch) {
        Result result{.index = walk.index};
        if (!setting_.cancel->isSet()) {
            TreeScanner::Options options = this->options(*walk.counter, walk.tally.get());
            options.descend = !walk.split;
            options.beneath = walk.beneath;
            options.expected = walk.folder;
            options.subfolders = walk.split ? &result.subfolders : nullptr;
            options.sharing = walk.sharer.get();
            result.node = TreeScanner::scan(walk.path, options);
        }
        if (!walk.sharer)
            whole.push_back(std::move(result));
        else if (auto done = walk.sharer->walkEnded(std::move(result)))
            whole.push_back(std::move(*done));
    }
    return whole;
}

void ScanSession::deliver(const std::shared_ptr<MainQueue>& queue,
                          std::weak_ptr<ScanSession> session, std::vector<Result> results) {
    if (results.empty())
        return;
    queue->post([session = std::move(session), results = std::move(results)]() mutable {
        if (auto owner = session.lock())
            owner->accept(std::move(results));
    });
}

ScanSession::ScanSession(const std::string& path, std::optional<std::string> name, PathSet skip,
                         std::optional<int64_t> expectedSize, int64_t largeFileThreshold,
                         Context context)
    : context_(std::move(context))
    , path_(path == "/" ? path : standardizedPath(path))
    , startDate_(std::chrono::system_clock::now())
    , skipped_(std::make_shared<const PathSet>(std::move(skip)))
    , threshold_(largeFileThreshold)
    , idle_(std::make_shared<IdleWorkers>(walkersAtFirst(context_.workerCount)))
    , reserve_(context_.workerCount - walkersAtFirst(context_.workerCount)) {
    root_ = Node::makeRoot(name.value_or(lastPathComponent(path_)), path_, expectedSize);
}

ScanSession::ScanSession(Node::Ptr builtRoot, ExtensionTally kinds, int64_t largeFileThreshold,
                         Context context)
    : context_(std::move(context))
    , path_(builtRoot->path())
    , root_(std::move(builtRoot))
    , startDate_(std::chrono::system_clock::now())
    , isBuilt_(true)
    , skipped_(std::make_shared<const PathSet>())
    , kinds_(std::move(kinds))
    , threshold_(largeFileThreshold)
    , base_(Figures::of(*root_))
    , idle_(std::make_shared<IdleWorkers>(context_.workerCount)) {}

ScanSession::~ScanSession() {
    // Walkers still running have nobody left to report to.
    cancelFlag_->cancel();
    if (walkers_)
        walkers_->drop();
}

int ScanSession::workerCount(int activeCores) {
    return std::clamp(8 * activeCores, 8, 16);
}

void ScanSession::setExclusions(Exclusions exclusions) {
    exclusions_ = std::make_shared<const Exclusions>(std::move(exclusions));
}

void ScanSession::start() {
    isRunning_ = true;
    startDate_ = std::chrono::system_clock::now();
    root_->isScanning = true;
    std::weak_ptr<ScanSession> weak = weak_from_this();
    if (isBuilt_) {
        context_.queue->post([weak] {
            if (auto session = weak.lock(); session && session->isRunning_)
                session->finish();
        });
        return;
    }
    listRoot();
    if (!isRunning_)
        return;
    refreshTotals();
    processorMark_ = std::clock();
    wallMark_ = std::chrono::steady_clock::now();
    storageMark_ = platform::bytesReadFromStorage();
    context_.queue->post([weak] {
        if (auto session = weak.lock())
            session->pump();
    });
    // A cold disk shows within a few folders; a warm tree is walked before the first tick.
    context_.queue->postAfter(std::chrono::milliseconds(25), [weak] {
        if (auto session = weak.lock(); session && session->isRunning_)
            session->addWalkersIfWaiting();
    });
    context_.queue->postAfter(std::chrono::milliseconds(250), [weak] {
        if (auto session = weak.lock())
            session->tick();
    });
}

// The first level is listed here, on the UI thread, so that it shows at once; every folder in
// it becomes a job, except skipped ones, whose own blocks count at the root. The root may be
// reached through a symbolic link; nothing beneath it is.
void ScanSession::listRoot() {
    rootFolder_ = std::make_shared<const platform::UniqueFd>(platform::openFolder(path_.c_str()));
    platform::FileFacts top;
    if (!*rootFolder_ || platform::readFileFacts(rootFolder_->get(), "", top) != 0) {
        root_->isUnreadable = true;
        baseErrors_ += 1;
        finish();
        return;
    }
    volumeDevice_ = top.mount;
    shareAware_ = platform::canShareExtents(rootFolder_->get());

    ScanCounter counter;
    TallyBox tally;
    std::vector<TreeScanner::ListedFolder> subfolders;
    auto listing = TreeScanner::scan(path_, {.counter = counter,
                                             .links = *links_,
                                             .skip = *skipped_,
                                             .exclusions = exclusions_.get(),
                                             .threshold = threshold_,
                                             .descend = false,
                                             .tally = &tally,
                                             .mount = volumeDevice_,
                                             .shareAware = shareAware_,
                                             .base = rootFolder_->get(),
                                             .beneath = ".",
                                             .expected = top.id(),
                                             .subfolders = &subfolders});
    ScanCounter::Snapshot listed = counter.snapshot();
    baseErrors_ += listed.errors;
    baseExcluded_ += listed.excluded;
    // A listing that broke off partway keeps what it listed, its error counted; only a root
    // that could not be listed at all ends the scan.
    bool nothingListed =
        listing && listing->isUnreadable && listing->children().empty() && listing->fileCount == 0;
    if (!listing || nothingListed) {
        root_->isUnreadable = true;
        finish();
        return;
    }
    rootListed_ = true;
    walkers_ = std::make_shared<Walkers>(Walkers::Setting{.session = weak_from_this(),
                                                          .queue = context_.queue,
                                                          .pool = context_.pool.get(),
                                                          .idle = idle_,
                                                          .links = links_,
                                                          .skip = skipped_,
                                                          .exclusions = exclusions_,
                                                          .cancel = cancelFlag_,
                                                          .rootFolder = rootFolder_,
                                                          .threshold = threshold_,
                                                          .mount = volumeDevice_,
                                                          .shareAware = shareAware_});
    root_->absorb(*listing);
    root_->isScanning = true;
    kinds_.merge(tally.value);
    // Folders that need access count their own blocks at the root, not their files.
    for (const auto& child : root_->children())
        if (child->needsAccess)
            base_ += Figures{child->size, child->unique, 0, child->apparent};
    addJobs(nullptr, *root_, subfolders);
    base_ += Figures::of(*root_);
    // From here on the root, like every listed folder, holds the sum of what lies beneath it
    // and takes the difference of every change.
    Figures total = base_;
    for (const Job* job : topJobs_)
        total += Figures::of(*job->node);
    total.setOn(*root_);
}

// A job for every sub-folder of a listed folder that is to be measured, in the folder's order.
void ScanSession::addJobs(Job* parent, const Node& folder,
                          const std::vector<TreeScanner::ListedFolder>& subfolders) {
    std::unordered_map<const Node*, platform::FileId> identities;
    identities.reserve(subfolders.size());
    for (const auto& listed : subfolders)
        identities.emplace(listed.node, listed.id);
    for (const auto& child : folder.children()) {
        if (!child->isDirectory() || child->needsAccess || child->isUnreadable)
            continue;
        child->isScanning = true;
        Job& job = addJob(child, parent, identities[child.get()]);
        if (!parent)
            topJobs_.push_back(&job);
        else
            ++parent->pending;
        queue_.push_back(&job);
    }
}

ScanSession::Job& ScanSession::addJob(const Node::Ptr& node, Job* parent, platform::FileId folder) {
    auto job = std::make_unique<Job>();
    job->index = static_cast<int>(jobs_.size());
    job->counter = std::make_shared<ScanCounter>(reports_, job->index);
    job->node = node;
    job->folder = folder;
    job->parent = parent;
    job->depth = parent ? parent->depth + 1 : 1;
    job->split = job->depth < kSplitDepth;
    jobs_.push_back(std::move(job));
    return *jobs_.back();
}

void ScanSession::pump() {
    if (cancelled()) {
        cursor_ = queue_.size();
        held_.clear();
    }
    // As many batches wait for the walkers as walkers may run, so that none waits for the UI
    // thread; past as many batches in one turn, the rest waits for a later turn of it.
    int launched = 0;
    while (cursor_ < queue_.size() &&
           walkers_->readyCount() < static_cast<size_t>(context_.workerCount)) {
        if (launched == context_.workerCount) {
            pumpLater();
            break;
        }
        launch(nextBatch());
        ++launched;
    }
    if (!isPaused() && !held_.empty()) {
        auto held = std::move(held_);
        held_.clear();
        for (auto& result : held)
            handle(result);
        pump();
        return;
    }
    if (inFlight_ == 0 && cursor_ == queue_.size() && held_.empty() && !isPaused() && isRunning_ &&
        !cancelled())
        finish();
}

void ScanSession::pumpLater() {
    if (pumpPosted_)
        return;
    pumpPosted_ = true;
    context_.queue->post([weak = weak_from_this()] {
        if (auto session = weak.lock()) {
            session->pumpPosted_ = false;
            session->pump();
        }
    });
}

// Small jobs cost more in hand-overs between threads than in walking: when many wait, a walker
// takes several in a row, a few times fewer than there are jobs for each walker.
std::vector<ScanSession::Job*> ScanSession::nextBatch() {
    constexpr size_t kLargestBatch = 8;
    size_t waiting = queue_.size() - cursor_;
    size_t size = std::clamp<size_t>(waiting / (4 * static_cast<size_t>(context_.workerCount)), 1,
                                     kLargestBatch);
    std::vector<Job*> batch;
    while (batch.size() < size && cursor_ < queue_.size()) {
        Job& job = *queue_[cursor_++];
        // A folder removed before its turn is not walked: its path no longer leads anywhere.
        if (inShownTree(*job.node))
            batch.push_back(&job);
        else
            complete(job);
    }
    return batch;
}

ScanSession::JobWalk ScanSession::walkOf(Job& job) {
    JobWalk walk{.path = job.node->path(),
                 .index = job.index,
                 .split = job.split,
                 .folder = job.folder,
                 .counter = job.counter,
                 .tally = job.tally};
    walk.beneath = beneath(walk.path);
    if (!job.split)
        walk.sharer = std::make_shared<Sharer>(
            Sharer::Walk{.walkers = walkers_, .counter = job.counter, .tally = job.tally});
    return walk;
}

void ScanSession::launch(const std::vector<Job*>& batch) {
    if (batch.empty())
        return;
    inFlight_ += static_cast<int>(batch.size());
    std::vector<JobWalk> walks;
    walks.reserve(batch.size());
    for (Job* job : batch)
        walks.push_back(walkOf(*job));
    walkers_->push(std::move(walks));
}

void ScanSession::accept(std::vector<Result> results) {
    for (Result& result : results) {
        --inFlight_;
        if (cancelled())
            continue;
        if (isPaused())
            held_.push_back(std::move(result));
        else
            handle(result);
    }
    pump();
}

void ScanSession::handle(Result& result) {
    Job& job = *jobs_[static_cast<size_t>(result.index)];
    kinds_.merge(job.tally->value);
    if (!inShownTree(*job.node)) {
        // Removed while its walker ran: nothing to graft, and nothing beneath it to walk.
        complete(job);
        return;
    }
    if (!result.node) {
        // The folder vanished, stopped being the folder listed, or could not be walked; it
        // keeps what its counter last showed.
        job.node->isUnreadable = true;
        readCounter(job, true);
        complete(job);
        return;
    }
    Figures before = Figures::of(*job.node);
    job.node->absorb(*result.node);
    if (!job.split) {
        settle(*job.node, before);
        complete(job);
        return;
    }
    job.node->isScanning = true;
    job.own = Figures::of(*result.node);
    job.listed = true;
    // The listing already left out folders on other mounts.
    addJobs(&job, *job.node, result.subfolders);
    sumListedJob(job);
    settle(*job.node, before);
    if (job.pending == 0)
        complete(job);
}

// Puts what another worker measured in place of the placeholders the giving walk left, whose
// ancestors (still the walk's own tree) take the difference. The folders of one gift share their
// parent, which is sorted once for all of them rather than once for each.
void ScanSession::graftShared(SharedResult& shared) {
    Node* parent = nullptr;
    Figures change;
    auto settleParent = [&] {
        if (parent) {
            (Figures::of(*parent) + change).setOn(*parent);
            parent->sortChildren();
            parent->adjustAncestors(change);
        }
        change = {};
    };
    for (size_t i = 0; i < shared.places.size(); ++i) {
        Node& place = *shared.places[i];
        Node* walked = i < shared.nodes.size() ? shared.nodes[i].get() : nullptr;
        if (!walked) {
            place.isUnreadable = true;
            continue;
        }
        if (place.parent() != parent) {
            settleParent();
            parent = place.parent();
        }
        Figures before = Figures::of(place);
        place.absorb(*walked);
        change += Figures::of(place) - before;
    }
    settleParent();
}

bool ScanSession::inShownTree(const Node& node) const {
    const Node* top = &node;
    while (top->parent())
        top = top->parent();
    return top == root_.get();
}

void ScanSession::complete(Job& job) {
    job.done = true;
    readCounter(job, false);
    Figures before = Figures::of(*job.node);
    if (job.listed)
        sumListedJob(job);
    job.node->isScanning = false;
    job.node->sortChildren();
    settle(*job.node, before);
    if (job.parent && --job.parent->pending == 0)
        complete(*job.parent);
}

void ScanSession::sumListedJob(Job& job) {
    Node& node = *job.node;
    Figures sum = job.own;
    for (const auto& child : node.children())
        if (child->isDirectory())
            sum += Figures::of(*child);
    sum.setOn(node);
}

void ScanSession::readCounter(Job& job, bool figures) {
    ScanCounter::Snapshot snapshot = job.counter->snapshot();
    jobErrors_ += snapshot.errors - job.errors;
    job.errors = snapshot.errors;
    jobExcluded_ += snapshot.excluded - job.excluded;
    job.excluded = snapshot.excluded;
    if (!figures)
        return;
    Figures before = Figures::of(*job.node);
    Figures{snapshot.bytes, snapshot.unique, snapshot.files, snapshot.apparent}.setOn(*job.node);
    settle(*job.node, before);
    // The path shown is that of the most recently started walker that has shown one.
    if (!snapshot.path.empty() &&
        (pathJob_ < 0 || jobs_[static_cast<size_t>(pathJob_)]->done || job.index >= pathJob_)) {
        currentPath_ = std::move(snapshot.path);
        pathJob_ = job.index;
    }
}

// Reads only the counters that changed since the last refresh: the folders above each running
// job already hold the sum of what lies beneath them.
void ScanSession::refreshTotals() {
    reports_->take(reported_);
    for (int index : reported_) {
        Job& job = *jobs_[static_cast<size_t>(index)];
        if (!job.done)
            readCounter(job, !job.listed);
    }
    bytes_ = root_->size;
    files_ = root_->fileCount;
    errors_ = baseErrors_ + jobErrors_;
    excluded_ = baseExcluded_ + jobExcluded_;
}

void ScanSession::addWalkersIfWaiting() {
    if (reserve_ == 0)
        return;
    std::clock_t processor = std::clock();
    auto wall = std::chrono::steady_clock::now();
    double used = static_cast<double>(processor - processorMark_) / CLOCKS_PER_SEC;
    double available =
        std::chrono::duration<double>(wall - wallMark_).count() * (context_.workerCount - reserve_);
    std::optional<int64_t> storage = platform::bytesReadFromStorage();
    bool readDisk = storage && storageMark_ && *storage > *storageMark_;
    processorMark_ = processor;
    wallMark_ = wall;
    storageMark_ = storage;
    if (!readDisk && used >= available / 2)
        return;
    idle_->add(reserve_);
    reserve_ = 0;
    walkers_->startIdle();
    pump();
}

void ScanSession::changed() {
    if (onChange)
        onChange();
}

void ScanSession::tick() {
    if (!isRunning_ || cancelled())
        return;
    if (!isPaused()) {
        refreshTotals();
        changed();
    }
    addWalkersIfWaiting();
    std::weak_ptr<ScanSession> weak = weak_from_this();
    context_.queue->postAfter(std::chrono::milliseconds(250), [weak] {
        if (auto session = weak.lock())
            session->tick();
    });
}

void ScanSession::finish() {
    refreshTotals();
    root_->isScanning = false;
    isRunning_ = false;
    endDate_ = std::chrono::system_clock::now();
    currentPath_.clear();
    if ((rootListed_ || isBuilt_) && !cancelled() && onFinish)
        onFinish(root_);
    changed();
}

void ScanSession::cancel() {
    cancelFlag_->cancel();
    isRunning_ = false;
    // What waits for tree updates to resume ends now, without changing the tree.
    auto held = std::move(heldWork_);
    heldWork_.clear();
    for (auto& work : held)
        work();
}

void ScanSession::pauseTreeUpdates() {
    ++pauses_;
}

void ScanSession::resumeTreeUpdates() {
    if (pauses_ > 0)
        --pauses_;
    if (pauses_ > 0)
        return;
    auto removals = std::move(heldRemovals_);
    heldRemovals_.clear();
    for (const auto& node : removals)
        remove(node);
    auto held = std::move(heldWork_);
    heldWork_.clear();
    for (auto& work : held)
        work();
    pump();
}

void ScanSession::remove(const Node::Ptr& node) {
    if (node->isRoot() || node->kind() == Node::Kind::remainder)
        return;
    if (isPaused()) {
        heldRemovals_.push_back(node);
        return;
    }
    Node* parent = node->parent();
    bool atRoot = parent == root_.get();
    bool small = node->kind() == Node::Kind::smallFiles;
    Figures gone = small && parent ? Figures::ofSmallFiles(*parent) : Figures::of(*node);
    node->detach();
    if (!node->isDirectory())
        lowerOwnFigures(parent, gone);
    if (atRoot) {
        auto top = std::find_if(topJobs_.begin(), topJobs_.end(),
                                [&](const Job* job) { return job->node == node; });
        if (top != topJobs_.end()) {
            topJobs_.erase(top);
        } else {
            base_ -= gone;
        }
    }
    bytes_ = root_->size;
    files_ = root_->fileCount;
    changed();
}

// A listed folder's figures are rebuilt from its own files and its sub-folders until its job is
// done, so files taken out of it must leave its own figures as well.
void ScanSession::lowerOwnFigures(const Node* folder, const Figures& gone) {
    for (const auto& job : jobs_)
        if (job->node.get() == folder && job->listed && !job->done)
            job->own -= gone;
}

std::string ScanSession::beneath(const std::string& path) const {
    if (path == path_)
        return ".";
    return path.substr(path_ == "/" ? 1 : path_.size() + 1);
}

void ScanSession::whenUnpaused(std::function<void()> work) {
    if (isPaused())
        heldWork_.push_back(std::move(work));
    else
        work();
}

void ScanSession::rescan(const Node::Ptr& node, std::function<void()> done) {
    whenUnpaused([this, node, done = std::move(done)] { startRescan(node, true, done); });
}

void ScanSession::refresh(const std::string& directoryAt, std::function<void()> done) {
    whenUnpaused([this, path = directoryAt, done = std::move(done)] { startRefresh(path, done); });
}

// `tellAlways`: a rescan someone asked for shows its progress and its result, however small;
// the walk of a folder that a listing found new shows only what is worth showing.
void ScanSession::startRescan(const Node::Ptr& node, bool tellAlways, Done done) {
    if (cancelled() || !rootListed_ || !node->isDirectory() || !inShownTree(*node)) {
        call(done);
        return;
    }
    std::string path = node->path();
    if (beingRewalked(path)) {
        waiting_.push_back({std::move(path), true, std::move(done)});
        return;
    }
    if (node->isScanning) {
        call(done);
        return;
    }
    node->isScanning = true;
    rewalking_.push_back(node);
    if (tellAlways)
        changed();
    walkAgain(
        path, true,
        [node, path, tellAlways, done = std::move(done)](ScanSession& session, Node::Ptr walked) {
            session.whenUnpaused([&session, node, path, walked, tellAlways, done] {
                session.graftRescan(node, path, walked, tellAlways, done);
            });
        });
}

void ScanSession::graftRescan(const Node::Ptr& node, const std::string& path,
                              const Node::Ptr& walked, bool tellAlways, Done done) {
    node->isScanning = false;
    // A node that left the tree meanwhile (removed, or replaced by a walk above it) takes
    // nothing: what replaced it is at least as new.
    if (!cancelled() && inShownTree(*node)) {
        if (walked) {
            Figures before = Figures::of(*node);
            node->absorb(*walked);
            Figures change = Figures::of(*node) - before;
            node->adjustAncestors(change);
            bytes_ = root_->size;
            files_ = root_->fileCount;
            if (tellAlways || worthShowing(change))
                changed();
        } else if (platform::pathExists(path.c_str())) {
            node->isUnreadable = true;
            changed();
        } else {
            remove(node);
        }
    }
    rewalkEnded(node);
    call(done);
}

void ScanSession::startRefresh(const std::string& path, Done done) {
    Node* found = isRunning_ || cancelled() || !rootListed_ ? nullptr : nearestNode(path);
    if (!found) {
        call(done);
        return;
    }
    std::string at = found->path();
    if (beingRewalked(at)) {
        waiting_.push_back({std::move(at), false, std::move(done)});
        return;
    }
    if (!found->isDirectory() || found->isScanning || found->needsAccess) {
        call(done);
        return;
    }
    walkAgain(at, false,
              [node = found->shared_from_this(), at, done = std::move(done)](ScanSession& session,
                                                                             Node::Ptr listing) {
                  session.whenUnpaused([&session, node, at, listing, done] {
                      session.graftListing(node, at, listing, done);
                  });
              });
}

void ScanSession::graftListing(const Node::Ptr& node, const std::string& path,
                               const Node::Ptr& listing, Done done) {
    // A walk of the folder, or of one above it, that began since lists it afresh.
    if (cancelled() || !inShownTree(*node) || beingRewalked(path)) {
        call(done);
        return;
    }
    if (!listing) {
        // A folder that is still there but cannot be opened keeps what it showed.
        if (!platform::pathExists(path.c_str()))
            remove(node);
        call(done);
        return;
    }
    Relisted relisted = reconcile(*node, *listing);
    bytes_ = root_->size;
    files_ = root_->fileCount;
    // The new sub-folders show as being walked from the first moment they show.
    walkArrived(relisted.arrived, std::move(done));
    if (relisted.visible)
        changed();
}

// The folder keeps the sub-folders still listed, with their figures; takes its files, its small
// files' figures and its own blocks from the listing; and gains the new sub-folders, counting
// their own blocks until their walks bring the rest. A folder that can no longer be listed
// comes out as a new scan would show it: empty and unreadable.
ScanSession::Relisted ScanSession::reconcile(Node& node, Node& listing) {
    Figures before = Figures::of(node);
    Figures subfolders = before;
    subfolders -= Figures::ofSmallFiles(node);
    std::unordered_set<std::string_view> listed;
    for (const auto& child : listing.children())
        if (child->isDirectory())
            listed.insert(child->name);
    std::unordered_set<std::string_view> kept;
    Relisted relisted;
    for (const auto& child : node.children()) {
        if (child->isDirectory() && listed.contains(child->name)) {
            kept.insert(child->name);
            continue;
        }
        subfolders -= Figures::of(*child);
        relisted.visible |= child->isDirectory();
    }
    // A file listed again keeps its node, taking the new figures, so that what a view holds
    // (the selection, a row of the table) stays in the tree.
    std::unordered_map<std::string_view, Node::Ptr> files;
    for (const auto& child : node.children())
        if (!child->isDirectory())
            files.emplace(child->name, child);
    std::vector<Node::Ptr> taken = listing.children();
    listing.removeChildren([](const Node&) { return true; });
    node.removeChildren(
        [&](const Node& child) { return !child.isDirectory() || !kept.contains(child.name); });
    Figures arrived;
    for (const auto& child : taken) {
        if (child->isDirectory())
            continue;
        auto same = files.find(child->name);
        if (same == files.end() || same->second->kind() != child->kind()) {
            node.append(child);
            continue;
        }
        same->second->absorb(*child);
        node.append(same->second);
    }
    for (const auto& child : taken) {
        if (!child->isDirectory() || kept.contains(child->name))
            continue;
        arrived += Figures::of(*child);
        node.append(child);
        relisted.arrived.push_back(child);
    }
    node.smallFileCount = listing.smallFileCount;
    node.smallFileSize = listing.smallFileSize;
    node.smallFileUnique = listing.smallFileUnique;
    node.smallFileApparent = listing.smallFileApparent;
    node.size = subfolders.size + listing.size + arrived.size;
    node.unique = subfolders.unique + listing.unique + arrived.unique;
    node.apparent = subfolders.apparent + listing.apparent + arrived.apparent;
    node.fileCount = subfolders.files + listing.fileCount + arrived.files;
    node.isUnreadable = listing.isUnreadable;
    node.modified = listing.modified;
    node.sortChildren();
    Figures change = Figures::of(node) - before;
    node.adjustAncestors(change);
    relisted.visible |= !relisted.arrived.empty() || worthShowing(change);
    return relisted;
}

// Walks the new sub-folders side by side; `done` runs once all are back.
void ScanSession::walkArrived(const std::vector<Node::Ptr>& arrived, Done done) {
    std::vector<Node::Ptr> walks;
    for (const auto& folder : arrived)
        if (!folder->needsAccess)
            walks.push_back(folder);
    if (walks.empty()) {
        call(done);
        return;
    }
    auto remaining = std::make_shared<size_t>(walks.size());
    for (const auto& folder : walks)
        startRescan(folder, false, [remaining, done] {
            if (--*remaining == 0)
                call(done);
        });
}

void ScanSession::walkAgain(const std::string& path, bool descend,
                            std::function<void(ScanSession&, Node::Ptr)> then) {
    context_.pool->submit(
        [walkers = walkers_, path, beneath = beneath(path), descend, then = std::move(then)] {
            ScanCounter counter;
            TreeScanner::Options options = walkers->options(counter, nullptr);
            options.descend = descend;
            options.beneath = beneath;
            options.claimLinks = true;
            Node::Ptr result = TreeScanner::scan(path, options);
            walkers->setting().queue->post(
                [session = walkers->setting().session, then, result = std::move(result)] {
                    if (auto owner = session.lock())
                        then(*owner, result);
                });
        });
}

// The node at the path, else at the nearest folder above it, the root included.
Node* ScanSession::nearestNode(const std::string& path) const {
    std::string at = standardizedPath(path);
    while (at.size() >= path_.size()) {
        if (Node* found = root_->descendant(at))
            return found;
        std::string up = parentPath(at);
        if (up == at)
            break;
        at = std::move(up);
    }
    return nullptr;
}

bool ScanSession::beingRewalked(const std::string& path) const {
    for (const auto& node : rewalking_) {
        if (!inShownTree(*node))
            continue;
        std::string walked = node->path();
        if (path == walked || walked == "/" ||
            (path.starts_with(walked) && path.size() > walked.size() && path[walked.size()] == '/'))
            return true;
    }
    return false;
}

// Measurements that waited for this walk go on, unless another walk above them still runs.
void ScanSession::rewalkEnded(const Node::Ptr& node) {
    std::erase(rewalking_, node);
    auto waiting = std::move(waiting_);
    waiting_.clear();
    for (Waiting& next : waiting) {
        if (beingRewalked(next.path)) {
            waiting_.push_back(std::move(next));
        } else if (Node* found = next.rescan ? root_->descendant(next.path) : nullptr) {
            startRescan(found->shared_from_this(), true, std::move(next.done));
        } else {
            startRefresh(next.path, std::move(next.done));
        }
    }
}

double ScanSession::elapsed() const {
    Date end = endDate_.value_or(std::chrono::system_clock::now());
    return std::chrono::duration<double>(end - startDate_).count();
}

} // namespace tavelin
