#include "model/ApplyState.h"

#include "executor/Executor.h"
#include "util/Overloaded.h"
#include "util/Paths.h"
#include "widgets/Texts.h"

#include <QLocale>
#include <QPointer>
#include <QStringList>
#include <algorithm>
#include <array>
#include <cstring>
#include <thread>

namespace tavelin {
namespace {

// More than this much short of the expectation is worth explaining.
constexpr int64_t kShortfallWorthSaying = 1'000'000'000;
constexpr size_t kErrorsShown = 3;

enum class Kind { trash, merge, online, move, tool, empty, guide };

Kind kindOf(const AdvisorAction& action) {
    return std::visit(Overloaded{
                          [](const AdvisorAction::Trash&) { return Kind::trash; },
                          [](const AdvisorAction::MergeDuplicates&) { return Kind::merge; },
                          [](const AdvisorAction::MakeOnlineOnly&) { return Kind::online; },
                          [](const AdvisorAction::Archive&) { return Kind::move; },
                          [](const AdvisorAction::RunTool&) { return Kind::tool; },
                          [](const AdvisorAction::EmptyTrash&) { return Kind::empty; },
                          [](const AdvisorAction::Guide&) { return Kind::guide; },
                      },
                      action.value);
}

QString counted(int64_t n, const char* one, const char* many) {
    return n == 1 ? QString::fromUtf8(one)
                  : countText(n) + QLatin1Char(' ') + QString::fromUtf8(many);
}

QString items(int64_t n) {
    return counted(n, "1 item", "items");
}

QString phrase(Kind kind, int64_t n) {
    switch (kind) {
    case Kind::trash:
        return QStringLiteral("move ") + items(n) + QStringLiteral(" to the Trash");
    case Kind::merge:
        return QStringLiteral("merge ") + counted(n, "1 set", "sets") +
               QStringLiteral(" of duplicates");
    case Kind::online:
        return QStringLiteral("make ") + items(n) + QStringLiteral(" online-only");
    case Kind::move:
        return QStringLiteral("move ") + items(n) + QStringLiteral(" to other storage");
    case Kind::tool:
        return QStringLiteral("run ") + counted(n, "1 clean-up", "clean-ups");
    case Kind::empty:
        return QStringLiteral("empty the Trash for good");
    case Kind::guide:
        break;
    }
    return {};
}

QString text(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

constexpr std::chrono::hours kUploadWait{6};

// After an archive to cloud storage, waits up to six hours for the copies to upload, then makes
// them online-only. May outlive the window and the batch by hours; it touches nothing of the
// application.
void makeOnlineOnlyOnceUploaded(const AdvisorAction& action, const ActionResult& result,
                                const ExecutorEnvironment& env, bool sandboxed) {
    const auto* archive = std::get_if<AdvisorAction::Archive>(&action.value);
    const auto* cloud = archive ? std::get_if<CloudProvider>(&archive->to.value) : nullptr;
    if (!cloud || result.archived.empty())
        return;
    std::thread([copies = result.archived, provider = *cloud, env, sandboxed] {
        (void)Executor::makeOnlineOnlyWhenUploaded(copies, provider, kUploadWait, sandboxed, env);
    }).detach();
}

} // namespace

ApplyState::Services ApplyState::Services::live(std::shared_ptr<MainQueue> queue,
                                                std::shared_ptr<WorkerPool> pool,
                                                std::function<int64_t()> freeSpace, bool sandboxed,
                                                const std::string& undoFolder) {
    return {
        .queue = std::move(queue),
        .pool = std::move(pool),
        .freeSpace = std::move(freeSpace),
        .environment = ExecutorEnvironment::live(),
        .sandboxed = sandboxed,
        .moveToTrash =
            [](const std::string& path) {
                return platform::moveToTrash(path, std::chrono::system_clock::now());
            },
        .journal = undoFolder.empty() ? nullptr : std::make_shared<UndoJournal>(undoFolder),
    };
}

ApplyState::ApplyState(Services services, AdvisorState& advisor, QObject* parent)
    : QObject(parent)
    , services_(std::move(services))
    , advisor_(advisor) {
    loadKept();
}

void ApplyState::loadKept() {
    if (!services_.journal) {
        checkPutBack();
        return;
    }
    QPointer<ApplyState> self(this);
    services_.pool->submit([self, journal = services_.journal, queue = services_.queue] {
        std::vector<RecentAction> kept;
        // A record that cannot be read is never acted on: it is left out.
        for (const StoredBatch& stored : journal->list())
            if (stored.batch)
                for (auto action = stored.batch->actions.rbegin();
                     action != stored.batch->actions.rend(); ++action) {
                    kept.push_back(*action);
                    kept.back().batch = stored.id;
                }
        queue->post([self, kept = std::move(kept)] {
            if (self)
                self->mergeKept(kept);
        });
    });
}

void ApplyState::mergeKept(const std::vector<RecentAction>& kept) {
    bool news = false;
    for (const RecentAction& action : kept) {
        auto listed = std::ranges::find(recentActions_, action);
        if (listed == recentActions_.end())
            recentActions_.push_back(action);
        else if (action.undone && !listed->undone)
            listed->undone = true;
        else
            continue;
        news = true;
    }
    if (news) {
        std::ranges::stable_sort(recentActions_, std::greater{}, &RecentAction::date);
        Q_EMIT changed();
    }
    checkPutBack();
}

void ApplyState::reset(std::shared_ptr<ScanSession> session) {
    session_ = std::move(session);
    isConfirmingApply_ = false;
    isConfirmingTrash_ = false;
    trashCandidates_.clear();
    Q_EMIT changed();
}

// Applying the ticked steps.

void ApplyState::askToApply() {
    if (advisor_.checkedCandidates().empty() || isApplying_)
        return;
    setConfirmingApply(true);
}

void ApplyState::setConfirmingApply(bool confirming) {
    if (isConfirmingApply_ == confirming)
        return;
    isConfirmingApply_ = confirming;
    Q_EMIT changed();
}

QString ApplyState::applyTitle() const {
    auto n = static_cast<int64_t>(advisor_.checkedCandidates().size());
    return QStringLiteral("Apply ") + counted(n, "1 step", "steps") + QStringLiteral("?");
}

QString ApplyState::applySummary() const {
    return summary(advisor_.checkedCandidates());
}

bool ApplyState::applyIncludesPermanentDelete() const {
    return std::ranges::any_of(advisor_.checkedCandidates(), [](const Candidate& candidate) {
        return candidate.action.is<AdvisorAction::EmptyTrash>();
    });
}

QString ApplyState::summary(const std::vector<Candidate>& candidates) {
    constexpr std::array kOrder{Kind::trash, Kind::merge, Kind::online,
                                Kind::move,  Kind::tool,  Kind::empty};
    // Steps that act on items count their items: one step may trash a whole set of files.
    std::map<Kind, int64_t> counts;
    for (const Candidate& candidate : candidates) {
        Kind kind = kindOf(candidate.action);
        bool onItems = kind == Kind::trash || kind == Kind::online || kind == Kind::move;
        counts[kind] += onItems ? static_cast<int64_t>(candidate.paths().size()) : 1;
    }
    QStringList phrases;
    for (Kind kind : kOrder)
        if (auto found = counts.find(kind); found != counts.end())
            phrases << phrase(kind, found->second);
    // The sentences are English, so the list is worded as English lists are.
    QString sentence =
        QLocale(QLocale::English, QLocale::UnitedStates).createSeparatedList(phrases);
    if (sentence.isEmpty())
        return sentence;
    return sentence.front().toUpper() + sentence.mid(1) + QLatin1Char('.');
}

void ApplyState::apply(std::vector<Candidate> candidates) {
    if (candidates.empty() || isApplying_)
        return;
    isApplying_ = true;
    isConfirmingApply_ = false;
    applyReport_.reset();
    int64_t expected = 0;
    for (const Candidate& candidate : candidates)
        expected += candidate.freed;
    batch_ = Batch{.session = session_,
                   .candidates = candidates,
                   .expected = expected,
                   .before = services_.freeSpace(),
                   .kept = {UndoBatch::newId(), std::chrono::system_clock::now(), {}}};
    Q_EMIT changed();
    // One task for the whole batch, so that a closed window still sees it through.
    QPointer<ApplyState> self(this);
    services_.pool->submit([self, steps = std::move(candidates), env = services_.environment,
                            sandboxed = services_.sandboxed, queue = services_.queue] {
        // What the user confirmed to erase is what each Trash holds as the batch starts.
        ApplyBatch::Confirmed batch = ApplyBatch::confirm(std::move(steps), env);
        (void)ApplyBatch::run(batch, sandboxed, env, [&](const ApplyBatch::Step& step) {
            makeOnlineOnlyOnceUploaded(batch.steps[step.index].action, step.result, env, sandboxed);
            queue->post([self, step]() mutable {
                if (self)
                    self->stepDone(std::move(step));
            });
        });
        queue->post([self] {
            if (self)
                self->batchDone();
        });
    });
}

void ApplyState::stepDone(ApplyBatch::Step step) {
    Batch& batch = *batch_;
    const Candidate& candidate = batch.candidates[step.index];
    ActionResult& result = step.result;
    if (result.error)
        batch.errors.push_back(candidate.title + ": " + *result.error);
    if (result.pending)
        batch.pending.push_back(*result.pending);
    if (!result.applied.empty() || !result.error)
        batch.applied.push_back(candidate);
    Kind kind = kindOf(candidate.action);
    if (kind == Kind::trash || kind == Kind::move)
        batch.moved.insert(batch.moved.end(), result.applied.begin(), result.applied.end());
    if (result.undo) {
        std::vector<std::string> landed = result.undo->landedPaths();
        batch.landed.insert(batch.landed.end(), landed.begin(), landed.end());
    }
    if (auto action =
            RecentAction::forStep(candidate, std::move(result), std::chrono::system_clock::now()))
        addRecentAction(std::move(*action), batch.kept);
    Q_EMIT changed();
}

void ApplyState::addRecentAction(RecentAction action, UndoBatch& kept) {
    action.batch = kept.id;
    kept.actions.push_back(action);
    recentActions_.insert(recentActions_.begin(), std::move(action));
}

void ApplyState::keep(UndoBatch batch) {
    if (!services_.journal || batch.actions.empty())
        return;
    // Without its file the batch can still be put back while this window lives.
    services_.pool->submit(
        [journal = services_.journal, batch = std::move(batch)] { (void)journal->save(batch); });
}

void ApplyState::batchDone() {
    Batch batch = std::move(*batch_);
    batch_.reset();
    afterApplying(batch);
    keep(std::move(batch.kept));
    int64_t freed = std::max<int64_t>(services_.freeSpace() - batch.before, 0);
    int64_t carriedOut = 0;
    for (const Candidate& candidate : batch.applied)
        carriedOut += candidate.freed;
    QString line = report(freed, batch.expected, carriedOut, batch.pending, batch.errors);
    applyReport_ = line;
    isApplying_ = false;
    Q_EMIT changed();
    Q_EMIT reported(line);
    Q_EMIT treeChanged();
    checkPutBack();
}

QString ApplyState::report(int64_t freed, int64_t expected, int64_t carriedOut,
                           const std::vector<std::string>& pending,
                           const std::vector<std::string>& errors) {
    QString line = QStringLiteral("Freed ") + bytesText(freed) + QStringLiteral(" (expected ") +
                   bytesText(expected) + QStringLiteral(").");
    // What failed steps would have freed is no shortfall to explain: their errors say why.
    if (freed + kShortfallWorthSaying < carriedOut)
        line += QStringLiteral(" Items in the Trash still use space until it’s emptied, and "
                               "snapshots can hold deleted files for a while.");
    for (const std::string& note : pending)
        line += QLatin1Char(' ') + text(note);
    for (size_t i = 0; i < std::min(errors.size(), kErrorsShown); ++i)
        line += QLatin1Char(' ') + text(errors[i]);
    return line;
}

void ApplyState::afterApplying(const Batch& batch) {
    std::vector<std::string> ids;
    std::vector<std::string> changedPaths;
    for (const Candidate& candidate : batch.applied) {
        ids.push_back(candidate.id);
        switch (kindOf(candidate.action)) {
        case Kind::merge:
        case Kind::online:
        case Kind::tool:
        case Kind::empty: {
            std::vector<std::string> paths = candidate.paths();
            if (const auto* empty = std::get_if<AdvisorAction::EmptyTrash>(&candidate.action.value))
                paths = empty->trashes;
            if (paths.empty())
                paths.push_back(parentPath(services_.environment.trashFolder));
            changedPaths.insert(changedPaths.end(), paths.begin(), paths.end());
            break;
        }
        case Kind::trash:
        case Kind::move:
        case Kind::guide:
            break;
        }
    }
    // What went to a Trash or another drive inside the scanned folder still takes space there.
    for (const std::string& landed : batch.landed)
        changedPaths.push_back(parentPath(landed));
    advisor_.uncheck(ids);
    if (batch.session != session_)
        return;
    // Only what moved leaves the tree: an item a step could not move is still there.
    removeFromTree(batch.moved);
    remeasure(changedPaths);
}

void ApplyState::removeFromTree(const std::vector<std::string>& paths) {
    if (!session_)
        return;
    for (const std::string& path : paths)
        if (Node* node = session_->root()->descendant(path); node && node->parent())
            session_->remove(node->shared_from_this());
}

void ApplyState::remeasure(const std::vector<std::string>& paths) {
    if (!session_)
        return;
    // A folder of the tree is walked whole: a tool or an emptied Trash changes what lies deep
    // inside it, which listing its parent again would not see. Anything else is seen by
    // listing its folder again.
    std::set<Node::Ptr> walks;
    std::vector<std::string> files;
    for (const std::string& path : paths) {
        Node* node = session_->root()->descendant(path);
        if (node && node->isDirectory())
            walks.insert(node->shared_from_this());
        else
            files.push_back(path);
    }
    measureAgain(walks, files);
}

void ApplyState::remeasureParents(const std::vector<std::string>& paths) {
    if (session_)
        measureAgain({}, paths);
}

void ApplyState::measureAgain(const std::set<Node::Ptr>& walks,
                              const std::vector<std::string>& listParentsOf) {
    // A folder the step made itself (a Trash used for the first time) is not in the tree yet:
    // listing the nearest folder above it that is brings it in.
    std::set<std::string> listings;
    for (const std::string& path : listParentsOf)
        if (Node* folder = session_->nearestNode(parentPath(path)))
            listings.insert(folder->path());
    auto outstanding = std::make_shared<size_t>(walks.size() + listings.size());
    if (*outstanding == 0) {
        advisor_.refresh(true);
        return;
    }
    QPointer<ApplyState> self(this);
    auto done = [self, outstanding] {
        if (--*outstanding == 0 && self)
            self->advisor_.refresh(true);
    };
    for (const Node::Ptr& node : walks)
        session_->rescan(node, done);
    for (const std::string& folder : listings)
        session_->refresh(folder, done);
}

// Undo.

void ApplyState::undo(const std::string& id) {
    auto found = std::ranges::find(recentActions_, id, &RecentAction::id);
    if (found == recentActions_.end() || !found->canPutBack() || undoing_.contains(id))
        return;
    undoing_.insert(id);
    Q_EMIT changed();
    QPointer<ApplyState> self(this);
    services_.pool->submit(
        [self, id, record = *found->undo, env = services_.environment, queue = services_.queue] {
            std::optional<std::string> error = Executor::undo(record, env);
            queue->post([self, id, error = std::move(error)]() mutable {
                if (self)
                    self->undone(id, std::move(error));
            });
        });
}

std::optional<std::string> ApplyState::lastUndoable() const {
    auto found = std::ranges::find_if(recentActions_, [&](const RecentAction& action) {
        return action.canPutBack() && !undoing_.contains(action.id);
    });
    if (found == recentActions_.end())
        return std::nullopt;
    return found->id;
}

void ApplyState::undoLast() {
    if (auto id = lastUndoable())
        undo(*id);
}

void ApplyState::undone(const std::string& id, std::optional<std::string> error) {
    undoing_.erase(id);
    auto found = std::ranges::find(recentActions_, id, &RecentAction::id);
    if (found == recentActions_.end())
        return;
    found->undone = !error;
    if (!error && services_.journal && !found->batch.empty())
        services_.pool->submit([journal = services_.journal, batch = found->batch, id] {
            (void)journal->markUndone(batch, {id});
        });
    applyReport_ =
        error ? text(*error)
              : QStringLiteral("Put back ") + tavelin::quoted(found->title) + QLatin1Char('.');
    std::vector<std::string> paths = found->paths;
    std::vector<std::string> landed = found->undo->landedPaths();
    paths.insert(paths.end(), landed.begin(), landed.end());
    Q_EMIT changed();
    // Edit › Undo may put back what the status line just said went to the Trash.
    Q_EMIT notice(*applyReport_);
    remeasureParents(paths);
    if (error)
        checkPutBack();
}

void ApplyState::checkPutBack() {
    std::vector<std::pair<std::string, UndoRecord>> open;
    for (const RecentAction& action : recentActions_)
        if (action.canPutBack())
            open.emplace_back(action.id, *action.undo);
    if (open.empty())
        return;
    QPointer<ApplyState> self(this);
    services_.pool->submit([self, open = std::move(open), queue = services_.queue] {
        std::set<std::string> gone;
        for (const auto& [id, record] : open)
            if (!Executor::canUndo(record))
                gone.insert(id);
        if (gone.empty())
            return;
        queue->post([self, gone = std::move(gone)] {
            if (!self)
                return;
            for (RecentAction& action : self->recentActions_)
                if (gone.contains(action.id) && !action.undone)
                    action.goneFromTrash = true;
            Q_EMIT self->changed();
        });
    });
}

// Moving map items to the Trash.

bool ApplyState::canTrash(const std::vector<Node::Ptr>& nodes) {
    return !nodes.empty() && std::ranges::none_of(nodes, [](const Node::Ptr& node) {
        return !node || node->isPseudo() || !node->parent() || node->isScanning;
    });
}

bool ApplyState::canTrashNow(const std::vector<Node::Ptr>& nodes) const {
    return !isApplying_ && canTrash(nodes);
}

void ApplyState::askToTrash(std::vector<Node::Ptr> nodes) {
    if (!canTrashNow(nodes))
        return;
    // An item inside another one goes with it.
    std::erase_if(nodes, [&](const Node::Ptr& node) {
        return std::ranges::any_of(nodes, [&](const Node::Ptr& other) {
            return other != node && isBelow(node->path(), other->path());
        });
    });
    trashCandidates_ = std::move(nodes);
    isConfirmingTrash_ = true;
    Q_EMIT changed();
}

void ApplyState::setConfirmingTrash(bool confirming) {
    if (isConfirmingTrash_ == confirming)
        return;
    isConfirmingTrash_ = confirming;
    if (!confirming)
        trashCandidates_.clear();
    Q_EMIT changed();
}

QString ApplyState::trashPrompt() const {
    if (trashCandidates_.size() == 1) {
        const Node& node = *trashCandidates_.front();
        return QStringLiteral("Move ") + tavelin::quoted(node.name) + QStringLiteral(" (") +
               bytesText(node.size) + QStringLiteral(") to the Trash?");
    }
    int64_t total = 0;
    for (const Node::Ptr& node : trashCandidates_)
        total += node->size;
    return QStringLiteral("Move ") + countText(static_cast<int64_t>(trashCandidates_.size())) +
           QStringLiteral(" items (") + bytesText(total) + QStringLiteral(") to the Trash?");
}

void ApplyState::confirmTrash() {
    if (trashCandidates_.empty() || isApplying_)
        return;
    // By path and size as confirmed: live updates may replace the nodes meanwhile.
    std::vector<std::pair<std::string, int64_t>> asked;
    for (const Node::Ptr& node : trashCandidates_)
        asked.emplace_back(node->path(), node->size);
    QPointer<ApplyState> self(this);
    services_.pool->submit([self, asked, move = services_.moveToTrash, queue = services_.queue] {
        TrashMove done;
        for (const auto& [path, size] : asked) {
            platform::TrashOutcome outcome = move(path);
            if (outcome.error != 0)
                done.error = outcome.error;
            else
                done.moved.push_back({path, outcome.trashed});
        }
        queue->post([self, asked, done = std::move(done)] {
            if (self)
                self->finishTrash(asked, done);
        });
    });
    setConfirmingTrash(false);
}

void ApplyState::finishTrash(const std::vector<std::pair<std::string, int64_t>>& asked,
                             const TrashMove& move) {
    int64_t bytes = 0;
    std::vector<std::string> moved;
    std::vector<std::string> landed;
    for (const TrashedItem& item : move.moved) {
        moved.push_back(item.original);
        landed.push_back(item.trashed);
        bytes += std::ranges::find(asked, item.original, &std::pair<std::string, int64_t>::first)
                     ->second;
    }
    std::vector<Node::Ptr> gone;
    for (const std::string& path : moved)
        if (Node* node = session_ ? session_->root()->descendant(path) : nullptr;
            node && node->parent()) {
            gone.push_back(node->shared_from_this());
            session_->remove(gone.back());
        }
    std::optional<QString> line;
    if (!moved.empty()) {
        auto count = static_cast<int64_t>(moved.size());
        std::string title = count == 1 ? lastPathComponent(moved.front())
                                       : countText(count).toStdString() + " items";
        UndoBatch kept{UndoBatch::newId(), std::chrono::system_clock::now(), {}};
        addRecentAction(RecentAction::make(std::move(title), moved, kept.date, bytes,
                                           UndoRecord::trashed(move.moved)),
                        kept);
        keep(std::move(kept));
        line = QStringLiteral("Moved ") + items(count) + QStringLiteral(" (") + bytesText(bytes) +
               QStringLiteral(") to the Trash. Empty the Trash to get the space back.");
    }
    if (move.error != 0 && moved.size() < asked.size()) {
        QString failure = QStringLiteral("Couldn’t move ") +
                          countText(static_cast<int64_t>(asked.size() - moved.size())) +
                          QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(move.error));
        line = line ? *line + QLatin1Char(' ') + failure : failure;
    }
    Q_EMIT changed();
    Q_EMIT trashed(gone);
    if (line)
        Q_EMIT notice(*line);
    remeasureParents(landed);
}

} // namespace tavelin
