#include "scan/LiveUpdater.h"

#include "util/Paths.h"

#include <algorithm>

namespace tavelin {

LiveUpdater::LiveUpdater(Context context, Hooks hooks)
    : context_(std::move(context))
    , hooks_(std::move(hooks)) {}

void LiveUpdater::scanStarting() {
    stop();
    session_.reset();
    watchSince_ = FolderWatcher::now();
}

void LiveUpdater::restart(const std::shared_ptr<ScanSession>& session) {
    stop();
    session_ = session;
    if (!session || session->isRunning())
        return;
    // Listing a big tree's folders would hold the UI thread for tens of milliseconds: it runs on
    // the pool with the tree's updates held, and the watcher starts when it is done.
    // The task and the work it posts hold the session weakly: the session holds the queue, so a
    // queue that is never drained again would otherwise keep both, and the tree, for good. The
    // tree they read goes back with the work, so that it ends on the UI thread if it ends there.
    session->pauseTreeUpdates();
    std::weak_ptr<LiveUpdater> weak = weak_from_this();
    std::weak_ptr<ScanSession> held = session;
    session->pool()->submit([weak, generation = generation_, held, root = session->root(),
                             queue = context_.queue]() mutable {
        auto known = FolderWatcher::KnownFolders::of(*root);
        queue->post(
            [weak, generation, held, root = std::move(root), known = std::move(known)]() mutable {
                auto session = held.lock();
                if (!session)
                    return;
                session->resumeTreeUpdates();
                auto updater = weak.lock();
                if (updater && updater->generation_ == generation)
                    updater->watch(*session, std::move(known));
            });
    });
}

void LiveUpdater::watch(const ScanSession& session,
                        std::shared_ptr<const FolderWatcher::KnownFolders> known) {
    std::weak_ptr<LiveUpdater> weak = weak_from_this();
    FolderWatcher::Hooks hooks{.ready = hooks_.ready, .limitReached = hooks_.limitReached};
    watcher_ = FolderWatcher::make(
        session.path(), watchSince_, context_.latency,
        [weak](const std::vector<FolderWatcher::Event>& events) {
            if (auto updater = weak.lock())
                updater->handle(events);
        },
        context_.queue, std::move(hooks), std::move(known), session.exclusions());
}

void LiveUpdater::stop() {
    if (watcher_)
        watcher_->stop();
    watcher_.reset();
    refreshQueue_.clear();
    isRefreshing_ = false;
    rescans_ = 0;
    ++generation_;
}

void LiveUpdater::handle(const std::vector<FolderWatcher::Event>& events) {
    std::vector<FolderWatcher::Event> wanted;
    for (const auto& event : events) {
        const std::string& ignored = context_.ignored;
        bool own = !ignored.empty() &&
                   (event.path == ignored || event.path.starts_with(joinPath(ignored, "")));
        if (!own)
            wanted.push_back(event);
    }
    if (wanted.empty())
        return;
    auto [refresh, rescans] = FolderWatcher::coalesce(wanted);
    auto session = session_.lock();
    for (const std::string& path : rescans) {
        Node* node = session ? session->root()->descendant(path) : nullptr;
        if (node)
            rescan(*session, node->shared_from_this());
        else
            refresh.push_back(path);
    }
    for (const std::string& path : refresh)
        enqueueRefresh(path);
}

void LiveUpdater::rescan(ScanSession& session, const Node::Ptr& node) {
    ++rescans_;
    uint64_t generation = generation_;
    std::weak_ptr<LiveUpdater> weak = weak_from_this();
    session.rescan(node, [weak, generation] {
        auto updater = weak.lock();
        if (!updater || updater->generation_ != generation)
            return;
        --updater->rescans_;
        updater->settleIfIdle();
    });
}

void LiveUpdater::enqueueRefresh(const std::string& path) {
    if (std::find(refreshQueue_.begin(), refreshQueue_.end(), path) == refreshQueue_.end())
        refreshQueue_.push_back(path);
    if (isRefreshing_)
        return;
    isRefreshing_ = true;
    later(&LiveUpdater::refreshNext);
}

// One folder at a time, in queue order; each step runs as its own piece of UI-thread work.
void LiveUpdater::refreshNext() {
    auto session = session_.lock();
    if (refreshQueue_.empty() || !session) {
        refreshQueue_.clear();
        isRefreshing_ = false;
        watchSince_ = FolderWatcher::now();
        settleIfIdle();
        return;
    }
    std::string path = std::move(refreshQueue_.front());
    refreshQueue_.pop_front();
    session->refresh(path, continuation(&LiveUpdater::refreshNext));
}

void LiveUpdater::settleIfIdle() {
    if (!isRefreshing_ && rescans_ == 0 && hooks_.settled)
        hooks_.settled();
}

void LiveUpdater::later(void (LiveUpdater::*step)()) {
    continuation(step)();
}

std::function<void()> LiveUpdater::continuation(void (LiveUpdater::*step)()) {
    return [weak = weak_from_this(), generation = generation_, queue = context_.queue, step] {
        // Posted again, so that a step that ends at once does not nest the next one.
        queue->post([weak, generation, step] {
            auto updater = weak.lock();
            if (updater && updater->generation_ == generation)
                (updater.get()->*step)();
        });
    };
}

} // namespace tavelin
