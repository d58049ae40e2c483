#pragma once

// The applying half of a window's model: the confirmation of the ticked steps, the report of
// what the batch freed, the recent actions with their undo, and moving items of the map to the
// Trash, which can be put back from the recent actions too.
//
// The confirmed steps run as one core batch (`ApplyBatch`) in one task on the worker pool,
// never on the UI thread; each result comes back to the UI thread as it is done, and the tree
// is brought up to date once all are: only the items a step moved leave it. A batch outlives a
// closed window: the pool finishes it before it goes. Freed space is the growth of the scanned
// disk's free space over the batch, never the executor's estimate. Nothing moves to the Trash
// from the window while a batch runs, so an emptying step never meets an item the user did not
// confirm.
//
// Lives on the UI thread, owned by the window's AppModel; `changed` follows every change of its
// state. What it has for the model comes back as signals: `reported` with each report, `notice`
// after a move to the Trash or an undo, `trashed` with the nodes that left, `treeChanged` after
// a batch.

#include "executor/ApplyBatch.h"
#include "executor/ExecutorEnvironment.h"
#include "executor/RecentAction.h"
#include "executor/UndoJournal.h"
#include "model/AdvisorState.h"
#include "platform/Trash.h"
#include "scan/ScanSession.h"
#include "util/MainQueue.h"
#include "util/WorkerPool.h"

#include <QObject>
#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace tavelin {

class ApplyState : public QObject {
    Q_OBJECT
public:
    struct Services {
        std::shared_ptr<MainQueue> queue;
        std::shared_ptr<WorkerPool> pool;
        // Free bytes of the disk holding the scan (of "/" without one), 0 when unknown.
        std::function<int64_t()> freeSpace;
        // The machine the steps and their undo act on; used on worker threads.
        ExecutorEnvironment environment;
        // Keeps tools from running.
        bool sandboxed = false;
        // Moves one item to the Trash; runs on a worker thread.
        std::function<platform::TrashOutcome(const std::string&)> moveToTrash;
        // Where the recent actions are kept across runs, read and written on worker threads;
        // none keeps them in memory only.
        std::shared_ptr<const UndoJournal> journal;

        // This machine's executor and Trash; the recent actions kept in `undoFolder`, unless
        // it is "".
        static Services live(std::shared_ptr<MainQueue> queue, std::shared_ptr<WorkerPool> pool,
                             std::function<int64_t()> freeSpace, bool sandboxed,
                             const std::string& undoFolder);
    };

    ApplyState(Services services, AdvisorState& advisor, QObject* parent = nullptr);

    // A new scan is shown: open confirmations close. Recent actions stay.
    void reset(std::shared_ptr<ScanSession> session);

    bool isApplying() const { return isApplying_; }
    bool isConfirmingApply() const { return isConfirmingApply_; }
    const std::optional<QString>& applyReport() const { return applyReport_; }
    // Newest first.
    const std::vector<RecentAction>& recentActions() const { return recentActions_; }
    bool isUndoing(const std::string& id) const { return undoing_.contains(id); }
    const std::vector<Node::Ptr>& trashCandidates() const { return trashCandidates_; }
    bool isConfirmingTrash() const { return isConfirmingTrash_; }

    // Opens the confirmation when something is ticked and nothing is being applied.
    void askToApply();
    void setConfirmingApply(bool confirming);
    // "Apply 1 step?", "Apply 3 steps?".
    QString applyTitle() const;
    // What the ticked steps do, in one sentence: "Move 1 item to the Trash and empty the Trash
    // for good.". Steps that trash, move or make items online-only count their items; steps
    // that only guide are never mentioned.
    QString applySummary() const;
    bool applyIncludesPermanentDelete() const;
    static QString summary(const std::vector<Candidate>& candidates);

    // Carries the candidates out in order. Nothing for none, or while a batch runs.
    void apply(std::vector<Candidate> candidates);
    // "Freed 1.2 GB (expected 1.3 GB)." and what else the user should read: the Trash and
    // snapshots when much less came back than the steps carried out (`carriedOut` of them)
    // were expected to free, pending notes, the first three errors.
    static QString report(int64_t freed, int64_t expected, int64_t carriedOut,
                          const std::vector<std::string>& pending,
                          const std::vector<std::string>& errors);

    // Puts back what a recent action did. Nothing for an entry that is gone, cannot be put
    // back, or is being put back already.
    void undo(const std::string& id);
    // The newest recent action that can be put back now, if any.
    std::optional<std::string> lastUndoable() const;
    // Puts back the newest recent action that can be put back.
    void undoLast();
    // Looks, off the UI thread, whether what each recent action moved is still in the Trash;
    // entries whose items are all gone lose their "Put Back". Runs after each batch and failed
    // undo; the window asks again when it becomes active.
    void checkPutBack();
    // Reads the kept batches off the UI thread and lists the actions not listed yet, newest
    // first, so that batches applied from a terminal while the window runs appear too; an
    // action undone elsewhere is shown undone. Then checks what can still be put back.
    void loadKept();

    // Whether the nodes may be moved to the Trash: not none, nor the small-files and remainder
    // blocks, a scan's root, or anything still being scanned.
    static bool canTrash(const std::vector<Node::Ptr>& nodes);
    // Whether the nodes may be moved to the Trash now: they may, and no batch runs.
    bool canTrashNow(const std::vector<Node::Ptr>& nodes) const;
    // Asks to confirm moving the nodes to the Trash, when they may go now.
    void askToTrash(std::vector<Node::Ptr> nodes);
    // Closing the confirmation forgets the nodes.
    void setConfirmingTrash(bool confirming);
    // "Move “a” (1.2 GB) to the Trash?", "Move 3 items (4 GB) to the Trash?".
    QString trashPrompt() const;
    void confirmTrash();

Q_SIGNALS:
    void changed();
    void reported(const QString& report);
    void notice(const QString& text);
    void trashed(const std::vector<Node::Ptr>& nodes);
    void treeChanged();

private:
    struct Batch {
        std::shared_ptr<ScanSession> session;
        std::vector<Candidate> candidates;
        int64_t expected = 0;
        int64_t before = 0;
        std::vector<std::string> errors{};
        std::vector<std::string> pending{};
        std::vector<Candidate> applied{};
        // The items the steps moved away (to the Trash or another drive), and where they went.
        std::vector<std::string> moved{};
        std::vector<std::string> landed{};
        // The recent actions the steps left, kept together once the batch is done.
        UndoBatch kept{};
    };
    struct TrashMove {
        std::vector<TrashedItem> moved;
        int error = 0;
    };

    void stepDone(ApplyBatch::Step step);
    void batchDone();
    void afterApplying(const Batch& batch);
    // Puts the entry at the front of the list, as part of the kept batch.
    void addRecentAction(RecentAction action, UndoBatch& kept);
    // Writes the batch to the journal, off the UI thread.
    void keep(UndoBatch batch);
    void mergeKept(const std::vector<RecentAction>& kept);
    void undone(const std::string& id, std::optional<std::string> error);
    void finishTrash(const std::vector<std::pair<std::string, int64_t>>& asked,
                     const TrashMove& move);
    // Removes the node at each path from the tree when it is there.
    void removeFromTree(const std::vector<std::string>& paths);
    // Measures the folders again (a folder of the tree walked whole, any other path by listing
    // its folder), then asks the advisor for a pass.
    void remeasure(const std::vector<std::string>& paths);
    // Lists the folder of each path again, when the tree has it, then asks for a pass.
    void remeasureParents(const std::vector<std::string>& paths);
    void measureAgain(const std::set<Node::Ptr>& walks,
                      const std::vector<std::string>& listParentsOf);

    Services services_;
    AdvisorState& advisor_;
    std::shared_ptr<ScanSession> session_;
    bool isApplying_ = false;
    bool isConfirmingApply_ = false;
    std::optional<QString> applyReport_;
    std::vector<RecentAction> recentActions_;
    std::set<std::string> undoing_;
    std::vector<Node::Ptr> trashCandidates_;
    bool isConfirmingTrash_ = false;
    std::optional<Batch> batch_;
};

} // namespace tavelin
