#include "advisor/Planner.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <queue>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace tavelin::Planner {
namespace {

double gigabytes(const Candidate& candidate) {
    return static_cast<double>(candidate.freed) / 1e9;
}

double rungTerm(const Candidate& candidate, double gb) {
    switch (candidate.rung) {
    case Rung::lossless:
    case Rung::ownerTool:
        return 0;
    case Rung::rebuildable:
        return 0.01 * gb;
    case Rung::archive:
        return 0.02 * gb + 0.5;
    case Rung::review:
        return 2 * gb * (0.35 * candidate.value + 0.05);
    }
    return 0;
}

double doubt(double confidence) {
    if (std::isnan(confidence) || confidence <= 0)
        return 1;
    return 1 - std::min(confidence, 1.0);
}

constexpr std::array<Rung, 4> kPlannedRungs{Rung::lossless, Rung::ownerTool, Rung::rebuildable,
                                            Rung::archive};

bool isEligible(const Candidate& candidate) {
    return !candidate.blocked && candidate.rung != Rung::review && candidate.freed >= 1 &&
           !candidate.action.is<AdvisorAction::Guide>();
}

// Candidates of one project are spread against each other, the rest by category.
std::string_view groupKey(const Candidate& candidate) {
    if (candidate.project)
        return candidate.project->root;
    return rawValue(candidate.category);
}

struct Entry {
    const Candidate* candidate;
    size_t index; // in the input: ties go to the earliest
    double cost;
    double ratio;                   // GB ÷ (cost + 0.05)
    size_t group;                   // numbered by group key, in order of first appearance
    std::vector<std::string> paths; // read when the entry comes up
};

// 0.8 to the power of a group's earlier picks, computed once per count.
class Damping {
public:
    double operator()(double ratio, int earlierPicks) {
        while (powers_.size() <= static_cast<size_t>(earlierPicks))
            powers_.push_back(std::pow(0.8, static_cast<int>(powers_.size())));
        return ratio * powers_[static_cast<size_t>(earlierPicks)];
    }

private:
    std::vector<double> powers_;
};

// The paths of the picked candidates, to keep a folder and something inside it from both
// being picked. Views into the entries' paths, which outlive the plan's making.
class PickedPaths {
public:
    bool overlaps(const std::vector<std::string>& paths) const {
        return std::ranges::any_of(paths, [&](const std::string& path) { return overlaps(path); });
    }

    void add(const std::vector<std::string>& paths) {
        for (std::string_view path : paths) {
            picked_.insert(path);
            for (size_t end = path.rfind('/'); end > 0 && end != std::string_view::npos;
                 end = path.rfind('/', end - 1))
                holders_.insert(path.substr(0, end));
        }
    }

private:
    bool overlaps(std::string_view path) const {
        if (holders_.contains(path))
            return true;
        // The path itself or a folder it lies in.
        for (size_t end = path.size(); end > 0 && end != std::string_view::npos;
             end = path.rfind('/', end - 1))
            if (picked_.contains(path.substr(0, end)))
                return true;
        return false;
    }

    std::unordered_set<std::string_view> picked_;
    std::unordered_set<std::string_view> holders_; // folders with a picked path inside
};

// The eligible candidates of one rung by group, each group best first; the heap offers the
// group whose best candidate has the highest damped score, the earliest on a tie.
class RungPool {
public:
    RungPool(std::vector<Entry*> entries, const std::vector<int>& picks, Damping& damping)
        : picks_(picks)
        , damping_(damping)
        , groups_(picks.size()) {
        std::ranges::stable_sort(entries, std::greater{}, &Entry::ratio);
        for (Entry* entry : entries)
            groups_[entry->group].push_back(entry);
        for (const auto& members : groups_)
            push(members, 0);
    }

    bool isEmpty() const { return heap_.empty(); }

    // The next candidate to consider; `advance` must follow before the next call.
    Entry* top() const { return heap_.top().entry; }

    void advance() {
        Offer offer = heap_.top();
        heap_.pop();
        push(groups_[offer.entry->group], offer.position + 1);
    }

private:
    struct Offer {
        double score;
        Entry* entry;
        size_t position; // in its group
        bool operator<(const Offer& other) const {
            if (score != other.score)
                return score < other.score;
            return entry->index > other.entry->index;
        }
    };

    void push(const std::vector<Entry*>& members, size_t position) {
        if (position >= members.size())
            return;
        Entry* entry = members[position];
        heap_.push({damping_(entry->ratio, picks_[entry->group]), entry, position});
    }

    const std::vector<int>& picks_; // by group
    Damping& damping_;
    std::vector<std::vector<Entry*>> groups_;
    std::priority_queue<Offer> heap_;
};

// Gives back the costliest picks that the goal does not need, keeping free ones.
void trim(std::vector<Entry*>& picked, int64_t& freed, int64_t target) {
    std::vector<Entry*> byCost = picked;
    std::ranges::stable_sort(byCost, std::greater{}, &Entry::cost);
    for (Entry* entry : byCost) {
        if (entry->cost <= 0 || freed - entry->candidate->freed < target)
            continue;
        freed -= entry->candidate->freed;
        std::erase(picked, entry);
    }
}

} // namespace

double cost(const Candidate& candidate) {
    double gb = gigabytes(candidate);
    double base = 0.1 * candidate.rebuildMinutes + 0.3 * candidate.redownloadGB;
    return base + rungTerm(candidate, gb) + 0.5 * gb * doubt(candidate.confidence);
}

double value(const Candidate& candidate) {
    return gigabytes(candidate) / (candidate.cost + 0.05);
}

std::vector<Candidate> scored(std::vector<Candidate> candidates) {
    for (Candidate& candidate : candidates)
        candidate.cost = cost(candidate);
    return candidates;
}

Plan plan(const std::vector<Candidate>& candidates, const Goal& goal) {
    bool safe = goal.isAsMuchAsSafe();
    int64_t target = goal.byteCount().value_or(std::numeric_limits<int64_t>::max());

    std::vector<Entry> entries;
    entries.reserve(candidates.size());
    std::unordered_map<std::string_view, size_t> groups;
    for (size_t index = 0; index < candidates.size(); ++index) {
        const Candidate& candidate = candidates[index];
        if (!isEligible(candidate))
            continue;
        double itsCost = cost(candidate);
        auto [group, added] = groups.try_emplace(groupKey(candidate), groups.size());
        entries.push_back({&candidate,
                           index,
                           itsCost,
                           gigabytes(candidate) / (itsCost + 0.05),
                           group->second,
                           {}});
    }

    int64_t freed = 0;
    std::vector<Entry*> picked;
    PickedPaths pickedPaths;
    std::vector<int> picks(groups.size()); // by group
    Damping damping;
    for (Rung rung : kPlannedRungs) {
        if (freed >= target || (safe && rung == Rung::archive))
            break;
        std::vector<Entry*> ofRung;
        for (Entry& entry : entries)
            if (entry.candidate->rung == rung)
                ofRung.push_back(&entry);
        RungPool pool(std::move(ofRung), picks, damping);
        while (freed < target && !pool.isEmpty()) {
            Entry* entry = pool.top();
            entry->paths = entry->candidate->paths();
            bool tooCostly = safe && rung == Rung::rebuildable && entry->ratio < 1.0;
            if (!tooCostly && !pickedPaths.overlaps(entry->paths)) {
                picked.push_back(entry);
                pickedPaths.add(entry->paths);
                freed += entry->candidate->freed;
                ++picks[entry->group];
            }
            pool.advance();
        }
    }

    if (!safe && freed > target)
        trim(picked, freed, target);

    Plan result{.selected = {}, .freed = freed, .cost = 0, .reachesGoal = safe || freed >= target};
    for (const Entry* entry : picked) {
        result.selected.push_back(entry->candidate->id);
        result.cost += entry->cost;
    }
    return result;
}

} // namespace tavelin::Planner
