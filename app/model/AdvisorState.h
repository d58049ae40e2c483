#pragma once

// The advisor half of a window's model: the suggestions for the shown tree, the plan toward the
// user's goal, the ticks, and what the user hid.
//
// Passes run the detectors on the worker pool, never on the UI thread, with the session's tree
// updates held so the tree they read stays still. While a scan runs, quick passes are spaced by
// twenty times their own duration (3 s at least) and show only candidates whose items have
// finished scanning; when it ends, one full quick pass, then the slow detectors in the
// background, which hold the tree only while they take the files they will read: live updates
// and applied steps go on while they read contents, and what left the tree meanwhile is
// dropped from what they found. After live updates a pass follows a second's quiet, at most
// one each 30 s. Once the user has touched a tick, later passes only add newly found planned
// steps to the ticks. A result that comes back for a replaced session or tree is dropped.
//
// Lives on the UI thread, owned by the window's AppModel; `changed` follows every change of its
// state. The hidden sets are kept in the settings ("hiddenProjects", "hiddenDetectors",
// "hiddenCandidates").

#include "advisor/Advisor.h"
#include "advisor/ArchiveDestination.h"
#include "advisor/Goal.h"
#include "advisor/Plan.h"
#include "platform/Volumes.h"
#include "scan/ScanSession.h"
#include "util/MainQueue.h"
#include "util/WorkerPool.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <variant>
#include <vector>

namespace tavelin {

class AdvisorState : public QObject {
    Q_OBJECT
public:
    using Clock = std::chrono::steady_clock;

    struct Services {
        std::shared_ptr<MainQueue> queue;
        std::shared_ptr<WorkerPool> pool;
        std::string home;
        bool isDemonstration = false;
        // The disk a goal is measured on: the one whose scan path is the scanned path, else
        // the boot disk; nothing when neither is known.
        std::function<std::optional<platform::Volume>(const std::string& path)> diskFor;
        std::function<Clock::time_point()> clock = [] { return Clock::now(); };
    };

    // One group of the pane: a project's candidates, or a category's.
    struct Group {
        std::variant<Project, AdvisorCategory> owner;
        std::vector<const Candidate*> candidates; // cheapest rung first, then largest first
        int64_t freed() const;
    };
    struct Layout {
        std::vector<Group> categories; // in the order of the categories
        std::vector<Group> projects;   // largest first
    };
    struct HiddenEntry {
        std::string key; // "project:", "detector:" or "candidate:" and what is hidden
        QString label;
    };

    explicit AdvisorState(Services services, QObject* parent = nullptr);

    // Forgets the last tree's suggestions; passes that are still running are dropped.
    void reset(std::shared_ptr<ScanSession> session);
    // The tree changed while the scan runs: a quick pass when it is due.
    void duringScan();
    // The scan finished: the full quick pass, then the slow detectors. For a whole disk, what
    // the safe plan frees is kept in the settings for the free-space alerts.
    void run(const Node::Ptr& root, bool wholeDisk);
    // After live updates: a pass once things have been quiet for a second.
    void scheduleRefresh();
    // A pass now, or when the 30 s since the last one are over; `soon` skips that wait.
    void refresh(bool soon);

    const std::vector<Candidate>& candidates() const { return advisor_; }
    const std::optional<Plan>& plan() const { return plan_; }
    const Goal& goal() const { return goal_; }
    const std::optional<Goal>& goalChosen() const { return goalChosen_; }
    const std::set<std::string>& checked() const { return checked_; }
    bool ticksTouched() const { return ticksTouched_; }
    bool slowRunning() const { return slowRunning_; }
    bool interimRunning() const { return interimRunning_; }
    Clock::time_point nextInterim() const { return nextInterim_; }
    const std::set<std::string>& hiddenProjects() const { return hiddenProjects_; }
    const std::set<std::string>& hiddenDetectors() const { return hiddenDetectors_; }
    const std::set<std::string>& hiddenCandidates() const { return hiddenCandidates_; }
    const std::map<std::string, ArchiveDestination>& archiveOverrides() const {
        return archiveOverrides_;
    }

    // The user's home folder, from which the pane shows paths.
    const std::string& home() const { return services_.home; }
    // The candidates not hidden.
    std::vector<Candidate> visible() const;
    // The visible ticked candidates that applying would carry out: not blocked, not guides.
    // A candidate given another destination moves its items there instead.
    std::vector<Candidate> checkedCandidates() const;
    Layout layout() const;
    // The candidates grouped as the pane shows them: by category, then by project.
    static Layout grouped(const std::vector<const Candidate*>& candidates);
    std::vector<HiddenEntry> hiddenEntries() const;
    Goal defaultGoal() const;
    // The cloud services items can be moved to and kept online-only there; none where files
    // cannot be made online-only (no Linux sync client offers it).
    std::vector<CloudProvider> cloudProviders() const;
    // Every cloud service's folder on this computer, whether or not it can keep files
    // online-only: deleting in any of them deletes from the service too.
    std::vector<CloudProvider> syncFolders() const;

    void setGoal(Goal goal);
    void setChecked(const std::string& id, bool on);
    // Takes the ticks off applied steps; the user's other choices stand.
    void uncheck(const std::vector<std::string>& ids);
    void hideCandidate(const Candidate& candidate);
    void hideDetector(const Candidate& candidate);
    void hideProject(const std::string& root);
    void unhide(const std::string& key);
    void redirect(const std::string& id, std::optional<ArchiveDestination> destination);
    // Makes the file at `path` the copy of a duplicates suggestion that stays: the suggestion's
    // step is made again around it, keeping its tick. False, and nothing changes, when the
    // suggestion has no such copy or keeping it would free too little to suggest.
    bool keepCopy(const std::string& id, const std::string& path);
    // Redirects the candidate to a folder on another drive; refused, with the sentence saying
    // why, when the folder lies on its items' own disk, where the move would free nothing.
    std::optional<std::string> redirectToDrive(const Candidate& candidate,
                                               const std::string& folder);

    // Takes a pass's candidates: the default goal unless one was chosen, then the plan and
    // the ticks.
    void adopt(std::vector<Candidate> candidates);
    // Plans the visible candidates again; keeping choices leaves the ticks of what is still
    // visible, otherwise the ticks become the plan.
    void replan(bool keepingChoices);

Q_SIGNALS:
    void changed();

private:
    // A pass holds its session weakly: the session holds the queue that the pass's result waits
    // in, so a strong hold would keep both alive while that result is never taken.
    struct Pass {
        std::weak_ptr<ScanSession> session;
        uint64_t generation;
    };

    AdvisorContext context(const Node::Ptr& root) const;
    // Runs the quick detectors on the pool with the session's tree updates held, then `done`
    // on the UI thread with what they found, unless this helper is gone.
    template <typename Done>
    void quickPass(Pass pass, bool timed, Done done);
    bool isCurrent(const Pass& pass) const;
    bool isHidden(const Candidate& candidate) const;
    void interimFinished(std::vector<Candidate> found, const Pass& pass, Clock::time_point started);
    void quickRunFinished(std::vector<Candidate> found, const Pass& pass, bool wholeDisk);
    void startSlowPass(const Pass& pass);
    void slowFinished(std::vector<Candidate> found, const Pass& pass);
    void refreshFinished(std::vector<Candidate> found, const Pass& pass);
    void refreshAfter(std::chrono::milliseconds delay);
    void hide(std::set<std::string>& set, const char* key, const std::string& value);
    void store(const std::set<std::string>& set, const char* key) const;

    Services services_;
    std::shared_ptr<ScanSession> session_;
    uint64_t generation_ = 0;
    std::vector<Candidate> advisor_;
    std::optional<Plan> plan_;
    Goal goal_ = Goal::asMuchAsSafe();
    std::optional<Goal> goalChosen_;
    std::set<std::string> checked_;
    std::set<std::string> seen_;
    bool ticksTouched_ = false;
    bool slowRunning_ = false;
    bool interimRunning_ = false;
    Clock::time_point nextInterim_{};
    std::optional<Clock::time_point> refreshedAt_;
    QTimer refreshTimer_;
    std::set<std::string> hiddenProjects_;
    std::set<std::string> hiddenDetectors_;
    std::set<std::string> hiddenCandidates_;
    std::map<std::string, ArchiveDestination> archiveOverrides_;
};

} // namespace tavelin
