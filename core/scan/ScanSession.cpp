#include "scan/ScanSession.h"

#include "platform/FileFacts.h"
#include "scan/TreeScanner.h"
#include "util/Paths.h"

#include <algorithm>

namespace tavelin {

ScanSession::ScanSession(const std::string& path, std::optional<std::string> name, PathSet skip,
                         std::optional<int64_t> expectedSize, int64_t largeFileThreshold,
                         Context context)
    : context_(std::move(context))
    , path_(path == "/" ? path : standardizedPath(path))
    , startDate_(std::chrono::system_clock::now())
    , skipped_(std::make_shared<const PathSet>(std::move(skip)))
    , threshold_(largeFileThreshold) {
    root_ = Node::makeRoot(name.value_or(lastPathComponent(path_)), path_, expectedSize);
}

ScanSession::~ScanSession() {
    // Walkers still running have nobody left to report to.
    cancelFlag_->cancel();
}

int ScanSession::workerCount(int activeCores) {
    return std::clamp(activeCores - 2, 2, 8);
}

void ScanSession::start() {
    isRunning_ = true;
    startDate_ = std::chrono::system_clock::now();
    root_->isScanning = true;
    listRoot();
    if (!isRunning_)
        return;
    refreshTotals();
    std::weak_ptr<ScanSession> weak = weak_from_this();
    context_.queue->post([weak] {
        if (auto session = weak.lock())
            session->pump();
    });
    context_.queue->postAfter(std::chrono::milliseconds(250), [weak] {
        if (auto session = weak.lock())
            session->tick();
    });
}

// The first level is listed here, on the UI thread, so that it shows at once; every folder in
// it becomes a job, except skipped ones, whose own blocks count at the root.
void ScanSession::listRoot() {
    platform::FileFacts top;
    if (platform::readFileFacts(path_.c_str(), top) != 0) {
        root_->isUnreadable = true;
        baseErrors_ += 1;
        finish();
        return;
    }
    root_->modified = dateFromTimespec(top.modifiedSeconds, top.modifiedNanoseconds);
    baseSize_ = baseUnique_ = top.allocated;
    volumeDevice_ = top.mount;

    ScanCounter counter;
    TallyBox tally;
    auto listing = TreeScanner::scan(path_, counter, *links_, threshold_, *skipped_, false, &tally,
                                     volumeDevice_, [] { return false; });
    baseErrors_ += counter.snapshot().errors;
    if (!listing || listing->isUnreadable) {
        baseErrors_ += listing ? 0 : 1;
        root_->isUnreadable = true;
        finish();
        return;
    }
    root_->absorb(*listing);
    root_->isScanning = true;
    kinds_.merge(tally.value);
    for (const auto& child : root_->children()) {
        if (!child->isDirectory())
            continue;
        if (child->needsAccess) {
            platform::FileFacts own;
            if (platform::readFileFacts(joinPath(path_, child->name).c_str(), own) == 0)
                child->size = child->unique = own.allocated;
            baseSize_ += child->size;
            baseUnique_ += child->unique;
            continue;
        }
        child->isScanning = true;
        Job& job = addJob(child, nullptr);
        topJobs_.push_back(&job);
        queue_.push_back(&job);
    }
    baseSize_ += root_->size;
    baseUnique_ += root_->unique;
    baseFiles_ = root_->fileCount;
}

ScanSession::Job& ScanSession::addJob(const Node::Ptr& node, Job* parent) {
    auto job = std::make_unique<Job>();
    job->node = node;
    job->parent = parent;
    job->depth = parent ? parent->depth + 1 : 1;
    job->split = job->depth < splitDepth_;
    job->index = static_cast<int>(jobs_.size());
    jobs_.push_back(std::move(job));
    active_.push_back(jobs_.back().get());
    return *jobs_.back();
}

void ScanSession::pump() {
    if (cancelled()) {
        cursor_ = queue_.size();
        held_.clear();
    }
    while (inFlight_ < context_.workerCount && cursor_ < queue_.size())
        launch(*queue_[cursor_++]);
    if (!isPaused_ && !held_.empty()) {
        auto held = std::move(held_);
        held_.clear();
        for (const auto& result : held)
            handle(result);
        refreshTotals();
        changed();
        pump();
        return;
    }
    if (inFlight_ == 0 && cursor_ == queue_.size() && held_.empty() && !isPaused_ && isRunning_ &&
        !cancelled())
        finish();
}

void ScanSession::launch(Job& job) {
    ++inFlight_;
    std::weak_ptr<ScanSession> weak = weak_from_this();
    auto queue = context_.queue;
    auto counter = job.counter;
    auto tally = job.tally;
    auto links = links_;
    auto skip = skipped_;
    auto cancel = cancelFlag_;
    context_.pool->submit([=, path = job.node->path(), index = job.index, descend = !job.split,
                           threshold = threshold_, device = volumeDevice_] {
        auto result = TreeScanner::scan(path, *counter, *links, threshold, *skip, descend,
                                        tally.get(), device, [&] { return cancel->isSet(); });
        queue->post([weak, index, result = std::move(result)] {
            if (auto session = weak.lock())
                session->receive(index, result);
        });
    });
}

void ScanSession::receive(int index, Node::Ptr result) {
    --inFlight_;
    if (!cancelled()) {
        if (isPaused_) {
            held_.emplace_back(index, std::move(result));
        } else {
            handle({index, std::move(result)});
            refreshTotals();
            changed();
        }
    }
    pump();
}

void ScanSession::handle(const Result& result) {
    Job& job = *jobs_[static_cast<size_t>(result.first)];
    const Node::Ptr& scanned = result.second;
    kinds_.merge(job.tally->value);
    if (!scanned) {
        // The folder vanished, stopped being a folder, or could not be walked.
        job.node->isUnreadable = true;
        complete(job);
        return;
    }
    job.node->absorb(*scanned);
    if (!job.split) {
        complete(job);
        return;
    }
    job.node->isScanning = true;
    job.own = {scanned->size, scanned->unique, scanned->fileCount};
    job.listed = true;
    // The listing already left out folders on other mounts.
    for (const auto& child : job.node->children()) {
        if (!child->isDirectory() || child->needsAccess || child->isUnreadable)
            continue;
        child->isScanning = true;
        queue_.push_back(&addJob(child, &job));
        ++job.pending;
    }
    if (job.pending == 0)
        complete(job);
}

void ScanSession::complete(Job& job) {
    job.done = true;
    finishedErrors_ += job.counter->snapshot().errors;
    if (job.listed)
        sumListedJob(job);
    job.node->isScanning = false;
    job.node->sortChildren();
    if (job.parent && --job.parent->pending == 0)
        complete(*job.parent);
}

void ScanSession::sumListedJob(Job& job) {
    Node& node = *job.node;
    node.size = job.own.size;
    node.unique = job.own.unique;
    node.fileCount = job.own.files;
    for (const auto& child : node.children()) {
        if (!child->isDirectory())
            continue;
        node.size += child->size;
        node.unique += child->unique;
        node.fileCount += child->fileCount;
    }
}

void ScanSession::refreshTotals() {
    std::erase_if(active_, [](const Job* job) { return job->done; });
    int64_t errors = baseErrors_ + finishedErrors_;
    std::string chosen;
    // Newest first, so the path shown is that of the most recently started walker.
    for (auto it = active_.rbegin(); it != active_.rend(); ++it) {
        Job& job = **it;
        auto snapshot = job.counter->snapshot();
        errors += snapshot.errors;
        if (!job.listed) {
            job.node->size = snapshot.bytes;
            job.node->unique = snapshot.unique;
            job.node->fileCount = snapshot.files;
            if (chosen.empty() && !snapshot.path.empty())
                chosen = std::move(snapshot.path);
        } else {
            sumListedJob(job);
            job.node->sortChildren();
        }
    }
    root_->size = baseSize_;
    root_->unique = baseUnique_;
    root_->fileCount = baseFiles_;
    for (const Job* job : topJobs_) {
        root_->size += job->node->size;
        root_->unique += job->node->unique;
        root_->fileCount += job->node->fileCount;
    }
    root_->sortChildren();
    bytes_ = root_->size;
    files_ = root_->fileCount;
    errors_ = errors;
    currentPath_ = std::move(chosen);
}

void ScanSession::changed() {
    if (onChange)
        onChange();
}

void ScanSession::tick() {
    if (!isRunning_ || cancelled())
        return;
    if (!isPaused_) {
        refreshTotals();
        changed();
    }
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
    if (!root_->isUnreadable && !cancelled() && onFinish)
        onFinish(root_);
    changed();
}

void ScanSession::cancel() {
    cancelFlag_->cancel();
    isRunning_ = false;
}

void ScanSession::pauseTreeUpdates() {
    isPaused_ = true;
}

void ScanSession::resumeTreeUpdates() {
    isPaused_ = false;
    auto removals = std::move(heldRemovals_);
    heldRemovals_.clear();
    for (const auto& node : removals)
        remove(node);
    pump();
}

void ScanSession::remove(const Node::Ptr& node) {
    if (node->isRoot() || node->kind() == Node::Kind::remainder)
        return;
    if (isPaused_) {
        heldRemovals_.push_back(node);
        return;
    }
    Node* parent = node->parent();
    bool atRoot = parent == root_.get();
    bool small = node->kind() == Node::Kind::smallFiles;
    int64_t size = small && parent ? parent->smallFileSize : node->size;
    int64_t unique = small && parent ? parent->smallFileUnique : node->unique;
    int64_t files = small && parent ? parent->smallFileCount : node->fileCount;
    node->detach();
    if (atRoot) {
        auto top = std::find_if(topJobs_.begin(), topJobs_.end(),
                                [&](const Job* job) { return job->node == node; });
        if (top != topJobs_.end()) {
            topJobs_.erase(top);
        } else {
            baseSize_ -= size;
            baseUnique_ -= unique;
            baseFiles_ -= files;
        }
    }
    bytes_ = root_->size;
    files_ = root_->fileCount;
    changed();
}

double ScanSession::elapsed() const {
    Date end = endDate_.value_or(std::chrono::system_clock::now());
    return std::chrono::duration<double>(end - startDate_).count();
}

} // namespace tavelin
