#include "model/AdvisorState.h"

#include "advisor/Planner.h"
#include "advisor/cloud/CloudStorage.h"
#include "advisor/duplicates/DuplicatesDetector.h"
#include "demo/DemoHome.h"
#include "executor/Executor.h"
#include "scanfile/ImportedScan.h"
#include "util/Paths.h"
#include "widgets/SettingsKeys.h"

#include <QPointer>
#include <QSettings>
#include <QStringList>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace tavelin {
namespace {

using namespace std::chrono_literals;

constexpr auto kMinimumSpacing = 3s;
constexpr int kSpacingFactor = 20;
constexpr auto kQuiet = 1s;
constexpr auto kRefreshSpacing = 30s;
constexpr std::string_view kProjectKey = "project:";
constexpr std::string_view kDetectorKey = "detector:";
constexpr std::string_view kCandidateKey = "candidate:";

std::set<std::string> storedSet(const char* key) {
    std::set<std::string> set;
    for (const QString& entry : QSettings().value(key).toStringList())
        set.insert(entry.toStdString());
    return set;
}

bool timesDetectors() {
    return std::getenv("TAVELIN_TIME_DETECTORS") != nullptr;
}

std::vector<std::string> ids(const std::vector<Candidate>& candidates) {
    std::vector<std::string> list;
    for (const Candidate& candidate : candidates)
        list.push_back(candidate.id);
    return list;
}

bool isSlowDetector(const std::string& detector, const Advisor::Detectors& slow) {
    return std::ranges::any_of(slow, [&](const auto& each) { return each->id() == detector; });
}

// A pass's hold on the tree ends; a session gone meanwhile has nothing to let go.
void resume(const std::weak_ptr<ScanSession>& session) {
    if (auto held = session.lock())
        held->resumeTreeUpdates();
}

bool allInTree(const Candidate& candidate, Node& root) {
    return std::ranges::all_of(candidate.paths(), [&](const std::string& path) {
        return root.descendant(path) != nullptr;
    });
}

} // namespace

int64_t AdvisorState::Group::freed() const {
    int64_t sum = 0;
    for (const Candidate* candidate : candidates)
        sum += candidate->freed;
    return sum;
}

AdvisorState::AdvisorState(Services services, QObject* parent)
    : QObject(parent)
    , services_(std::move(services))
    , hiddenProjects_(storedSet(SettingsKeys::hiddenProjects))
    , hiddenDetectors_(storedSet(SettingsKeys::hiddenDetectors))
    , hiddenCandidates_(storedSet(SettingsKeys::hiddenCandidates)) {
    refreshTimer_.setSingleShot(true);
    connect(&refreshTimer_, &QTimer::timeout, this, [this] { refresh(false); });
}

void AdvisorState::reset(std::shared_ptr<ScanSession> session) {
    session_ = std::move(session);
    ++generation_;
    advisor_.clear();
    plan_.reset();
    checked_.clear();
    seen_.clear();
    archiveOverrides_.clear();
    ticksTouched_ = false;
    slowRunning_ = false;
    interimRunning_ = false;
    nextInterim_ = {};
    refreshedAt_.reset();
    refreshTimer_.stop();
    Q_EMIT changed();
}

AdvisorContext AdvisorState::context(const Node::Ptr& root) const {
    Date now = std::chrono::system_clock::now();
    if (services_.isDemonstration)
        return DemoHome::context(root, now);
    // A scan read from a file: its files are elsewhere, only its names and paths can be read.
    if (session_ && session_->isBuilt())
        return AdvisorContext::ofTree(root, ImportedScan::homeFor(session_->path(), services_.home),
                                      now);
    AdvisorContext context = AdvisorContext::live(root, services_.home, now);
    if (session_)
        context.exclude(session_->exclusions());
    return context;
}

bool AdvisorState::isCurrent(const Pass& pass) const {
    return pass.generation == generation_ && session_ && pass.session.lock() == session_;
}

template <typename Done>
void AdvisorState::quickPass(Pass pass, bool timed, Done done) {
    session_->pauseTreeUpdates();
    auto detectors = Advisor::quickDetectors();
    QPointer<AdvisorState> self(this);
    services_.pool->submit([self, pass, timed, detectors, done, queue = services_.queue,
                            context = context(session_->root())] {
        auto start = Clock::now();
        auto found = Advisor::candidates(context, detectors);
        auto whole = Clock::now() - start;
        std::vector<Advisor::DetectorTime> times;
        if (timed)
            times = Advisor::timeEach(context, detectors);
        queue->post([self, pass, done, found = std::move(found), whole, times]() mutable {
            if (!self) {
                resume(pass.session);
                return;
            }
            size_t count = found.size();
            done(std::move(found));
            if (!times.empty()) {
                size_t kept = self->isCurrent(pass) ? self->advisor_.size() : 0;
                std::fputs(Advisor::timingReport(kept, count, whole, times).c_str(), stderr);
            }
            resume(pass.session);
        });
    });
}

void AdvisorState::duringScan() {
    if (!session_ || !session_->isRunning() || interimRunning_ || services_.isDemonstration ||
        services_.clock() < nextInterim_)
        return;
    interimRunning_ = true;
    Q_EMIT changed();
    Pass pass{session_, generation_};
    auto started = services_.clock();
    quickPass(pass, timesDetectors(), [this, pass, started](std::vector<Candidate> found) {
        interimFinished(std::move(found), pass, started);
    });
}

void AdvisorState::interimFinished(std::vector<Candidate> found, const Pass& pass,
                                   Clock::time_point started) {
    if (pass.generation != generation_)
        return;
    interimRunning_ = false;
    auto now = services_.clock();
    auto spacing = std::max<Clock::duration>(kSpacingFactor * (now - started), kMinimumSpacing);
    nextInterim_ = now + spacing;
    if (!isCurrent(pass) || !session_->isRunning()) {
        Q_EMIT changed();
        return;
    }
    Node& root = *session_->root();
    std::erase_if(found, [&](const Candidate& each) { return !Advisor::isSettled(each, root); });
    adopt(std::move(found));
}

void AdvisorState::run(const Node::Ptr& root, bool wholeDisk) {
    if (!session_ || session_->root() != root)
        return;
    // A pass of the scan still running is superseded: its result is dropped.
    ++generation_;
    interimRunning_ = true;
    Q_EMIT changed();
    Pass pass{session_, generation_};
    quickPass(pass, false, [this, pass, wholeDisk](std::vector<Candidate> found) {
        quickRunFinished(std::move(found), pass, wholeDisk);
    });
}

void AdvisorState::quickRunFinished(std::vector<Candidate> found, const Pass& pass,
                                    bool wholeDisk) {
    if (!isCurrent(pass))
        return;
    interimRunning_ = false;
    adopt(std::move(found));
    if (wholeDisk)
        QSettings().setValue(
            SettingsKeys::advisorSafeBytes,
            static_cast<qlonglong>(Planner::plan(visible(), Goal::asMuchAsSafe()).freed));
    // The slow detectors read the files' contents, which only a scan made here can.
    if (!session_->isBuilt() && !Advisor::slowDetectors().empty())
        startSlowPass(pass);
}

// The tree is held only while the slow detectors take what they need of it; the files' contents
// are then read for as long as it takes while live updates and applied steps change the tree.
void AdvisorState::startSlowPass(const Pass& pass) {
    slowRunning_ = true;
    Q_EMIT changed();
    auto detectors = Advisor::slowDetectors();
    QPointer<AdvisorState> self(this);
    session_->pauseTreeUpdates();
    services_.pool->submit(
        [self, pass, detectors, queue = services_.queue, context = context(session_->root())] {
            auto search = Advisor::take(context, detectors);
            queue->post([session = pass.session] { resume(session); });
            auto found = search();
            queue->post([self, pass, found = std::move(found)]() mutable {
                if (self)
                    self->slowFinished(std::move(found), pass);
            });
        });
}

void AdvisorState::slowFinished(std::vector<Candidate> found, const Pass& pass) {
    if (!session_ || pass.session.lock() != session_)
        return;
    // What left the tree while the search ran (applied, deleted) is no suggestion any more.
    Node& root = *session_->root();
    std::erase_if(found, [&](const Candidate& each) { return !allInTree(each, root); });
    std::ranges::move(found, std::back_inserter(advisor_));
    slowRunning_ = false;
    // Duplicates join without ticking themselves.
    replan(true);
}

void AdvisorState::scheduleRefresh() {
    refreshAfter(kQuiet);
}

void AdvisorState::refreshAfter(std::chrono::milliseconds delay) {
    refreshTimer_.start(delay);
}

void AdvisorState::refresh(bool soon) {
    if (!session_ || session_->isRunning() || session_->isPaused() || interimRunning_)
        return;
    auto now = services_.clock();
    if (!soon && refreshedAt_ && now - *refreshedAt_ < kRefreshSpacing) {
        refreshAfter(
            std::chrono::ceil<std::chrono::milliseconds>(kRefreshSpacing - (now - *refreshedAt_)));
        return;
    }
    refreshTimer_.stop();
    refreshedAt_ = now;
    interimRunning_ = true;
    Q_EMIT changed();
    Pass pass{session_, generation_};
    quickPass(pass, false, [this, pass](std::vector<Candidate> found) {
        refreshFinished(std::move(found), pass);
    });
}

void AdvisorState::refreshFinished(std::vector<Candidate> found, const Pass& pass) {
    if (!isCurrent(pass))
        return;
    interimRunning_ = false;
    // The slow detectors' findings stay for as long as their items are in the tree.
    auto slow = Advisor::slowDetectors();
    Node& root = *session_->root();
    for (Candidate& candidate : advisor_)
        if (isSlowDetector(candidate.detector, slow) && allInTree(candidate, root))
            found.push_back(std::move(candidate));
    advisor_ = std::move(found);
    replan(true);
}

void AdvisorState::adopt(std::vector<Candidate> candidates) {
    advisor_ = std::move(candidates);
    if (!goalChosen_)
        goal_ = defaultGoal();
    if (ticksTouched_) {
        std::set<std::string> seenBefore = seen_;
        replan(true);
        for (const std::string& id : plan_->selected)
            if (!seenBefore.contains(id))
                checked_.insert(id);
    } else {
        plan_ = Planner::plan(visible(), goal_);
        checked_ = {plan_->selected.begin(), plan_->selected.end()};
    }
    for (const Candidate& candidate : advisor_)
        seen_.insert(candidate.id);
    Q_EMIT changed();
}

void AdvisorState::replan(bool keepingChoices) {
    std::vector<Candidate> shown = visible();
    plan_ = Planner::plan(shown, goal_);
    if (keepingChoices) {
        std::set<std::string> kept;
        for (const std::string& id : ids(shown))
            if (checked_.contains(id))
                kept.insert(id);
        checked_ = std::move(kept);
    } else {
        checked_ = {plan_->selected.begin(), plan_->selected.end()};
    }
    Q_EMIT changed();
}

Goal AdvisorState::defaultGoal() const {
    if (!session_ || !services_.diskFor)
        return Goal::asMuchAsSafe();
    std::optional<platform::Volume> disk = services_.diskFor(session_->path());
    if (!disk)
        return Goal::asMuchAsSafe();
    return Goal::forDisk(disk->total, disk->free);
}

bool AdvisorState::isHidden(const Candidate& candidate) const {
    return hiddenCandidates_.contains(candidate.id) ||
           hiddenDetectors_.contains(candidate.detector) ||
           (candidate.project && hiddenProjects_.contains(candidate.project->root));
}

std::vector<CloudProvider> AdvisorState::cloudProviders() const {
    std::vector<CloudProvider> providers = syncFolders();
    // Moving there without making the files online-only frees nothing, and the move would fail.
    std::erase_if(providers, [](const CloudProvider& provider) {
        return !CloudStorage::canMakeOnlineOnly(provider);
    });
    return providers;
}

std::vector<CloudProvider> AdvisorState::syncFolders() const {
    return context(nullptr).cloudProviders();
}

std::vector<Candidate> AdvisorState::visible() const {
    std::vector<Candidate> shown;
    for (const Candidate& candidate : advisor_)
        if (!isHidden(candidate))
            shown.push_back(candidate);
    return shown;
}

std::vector<Candidate> AdvisorState::checkedCandidates() const {
    std::vector<Candidate> ticked = visible();
    std::erase_if(ticked, [&](const Candidate& candidate) {
        return !checked_.contains(candidate.id) || candidate.blocked ||
               candidate.action.is<AdvisorAction::Guide>();
    });
    for (Candidate& candidate : ticked)
        if (auto destination = archiveOverrides_.find(candidate.id);
            destination != archiveOverrides_.end())
            candidate.action = AdvisorAction::archive(candidate.paths(), destination->second);
    return ticked;
}

AdvisorState::Layout AdvisorState::layout() const {
    std::vector<const Candidate*> shown;
    for (const Candidate& candidate : advisor_)
        if (!isHidden(candidate))
            shown.push_back(&candidate);
    return grouped(shown);
}

AdvisorState::Layout AdvisorState::grouped(const std::vector<const Candidate*>& candidates) {
    Layout layout;
    auto ordered = [](std::vector<const Candidate*>& list) {
        std::ranges::stable_sort(list, [](const Candidate* a, const Candidate* b) {
            if (a->rung != b->rung)
                return a->rung < b->rung;
            return a->freed > b->freed;
        });
    };
    std::map<std::string, Group> byProject;
    std::map<AdvisorCategory, std::vector<const Candidate*>> byCategory;
    for (const Candidate* candidate : candidates) {
        if (candidate->project) {
            auto [entry, added] =
                byProject.try_emplace(candidate->project->root, Group{*candidate->project, {}});
            entry->second.candidates.push_back(candidate);
        } else {
            byCategory[candidate->category].push_back(candidate);
        }
    }
    for (AdvisorCategory category : kAllCategories) {
        auto found = byCategory.find(category);
        if (found == byCategory.end())
            continue;
        ordered(found->second);
        layout.categories.push_back({category, std::move(found->second)});
    }
    for (auto& [root, group] : byProject) {
        ordered(group.candidates);
        layout.projects.push_back(std::move(group));
    }
    std::ranges::stable_sort(layout.projects, std::greater{}, &Group::freed);
    return layout;
}

std::vector<AdvisorState::HiddenEntry> AdvisorState::hiddenEntries() const {
    auto titleOf = [&](auto matches, const std::string& fallback) {
        for (const Candidate& candidate : advisor_)
            if (matches(candidate))
                return QString::fromStdString(candidate.title);
        return QString::fromStdString(fallback);
    };
    std::vector<HiddenEntry> entries;
    for (const std::string& root : hiddenProjects_) {
        QString name = QString::fromStdString(lastPathComponent(root));
        for (const Candidate& candidate : advisor_)
            if (candidate.project && candidate.project->root == root) {
                name = QString::fromStdString(candidate.project->name);
                break;
            }
        entries.push_back({std::string(kProjectKey) + root, QStringLiteral("Project ") + name});
    }
    for (const std::string& detector : hiddenDetectors_)
        entries.push_back(
            {std::string(kDetectorKey) + detector,
             titleOf([&](const Candidate& c) { return c.detector == detector; }, detector)});
    for (const std::string& id : hiddenCandidates_)
        entries.push_back({std::string(kCandidateKey) + id,
                           titleOf([&](const Candidate& c) { return c.id == id; }, id)});
    return entries;
}

void AdvisorState::setGoal(Goal goal) {
    if (goalChosen_ == goal && goal_ == goal)
        return;
    goalChosen_ = goal;
    goal_ = goal;
    replan(false);
}

void AdvisorState::setChecked(const std::string& id, bool on) {
    ticksTouched_ = true;
    if (on)
        checked_.insert(id);
    else
        checked_.erase(id);
    Q_EMIT changed();
}

void AdvisorState::uncheck(const std::vector<std::string>& ids) {
    for (const std::string& id : ids)
        checked_.erase(id);
    Q_EMIT changed();
}

void AdvisorState::store(const std::set<std::string>& set, const char* key) const {
    QStringList list;
    for (const std::string& entry : set)
        list << QString::fromStdString(entry);
    QSettings().setValue(key, list);
}

void AdvisorState::hide(std::set<std::string>& set, const char* key, const std::string& value) {
    set.insert(value);
    store(set, key);
    replan(true);
}

void AdvisorState::hideCandidate(const Candidate& candidate) {
    hide(hiddenCandidates_, SettingsKeys::hiddenCandidates, candidate.id);
}

void AdvisorState::hideDetector(const Candidate& candidate) {
    hide(hiddenDetectors_, SettingsKeys::hiddenDetectors, candidate.detector);
}

void AdvisorState::hideProject(const std::string& root) {
    hide(hiddenProjects_, SettingsKeys::hiddenProjects, root);
}

void AdvisorState::unhide(const std::string& key) {
    auto remove = [&](std::string_view prefix, std::set<std::string>& set, const char* setting) {
        if (!key.starts_with(prefix))
            return false;
        set.erase(key.substr(prefix.size()));
        store(set, setting);
        replan(true);
        return true;
    };
    remove(kProjectKey, hiddenProjects_, SettingsKeys::hiddenProjects) ||
        remove(kDetectorKey, hiddenDetectors_, SettingsKeys::hiddenDetectors) ||
        remove(kCandidateKey, hiddenCandidates_, SettingsKeys::hiddenCandidates);
}

void AdvisorState::redirect(const std::string& id, std::optional<ArchiveDestination> destination) {
    if (!destination) {
        archiveOverrides_.erase(id);
    } else {
        archiveOverrides_.insert_or_assign(id, std::move(*destination));
        checked_.insert(id);
        ticksTouched_ = true;
    }
    Q_EMIT changed();
}

bool AdvisorState::keepCopy(const std::string& id, const std::string& path) {
    auto found = std::ranges::find(advisor_, id, &Candidate::id);
    if (found == advisor_.end())
        return false;
    std::optional<Candidate> kept = DuplicatesDetector().keeping(*found, path);
    if (!kept)
        return false;
    *found = std::move(Planner::scored({std::move(*kept)}).front());
    replan(true);
    return true;
}

std::optional<std::string> AdvisorState::redirectToDrive(const Candidate& candidate,
                                                         const std::string& folder) {
    if (auto same = Executor::onTheSameDisk(folder, candidate.paths()))
        return "“" + lastPathComponent(folder) + "” is on the same disk as “" +
               lastPathComponent(*same) + "”. Choose a folder on another drive.";
    redirect(candidate.id, ArchiveDestination::drive(folder));
    return std::nullopt;
}

} // namespace tavelin
