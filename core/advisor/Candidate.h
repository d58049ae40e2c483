#pragma once

// One suggestion: what to do, what it frees, what it would cost the user and why the detector
// thinks so. A plain value: it refers to the tree only through paths.

#include "advisor/AdvisorAction.h"
#include "advisor/AdvisorCategory.h"
#include "advisor/DuplicateCopy.h"
#include "advisor/Evidence.h"
#include "advisor/Project.h"
#include "advisor/Rung.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tavelin {

struct Candidate {
    // What a detector gives; designated initializers name them at the call site. `onDisk`
    // left out means the same as `freed`.
    struct Fields {
        std::string id{};
        std::string detector{};
        std::string title{};
        std::string detail{};
        AdvisorCategory category = AdvisorCategory::documents;
        Rung rung = Rung::review;
        AdvisorAction action{};
        int64_t freed = 0;
        std::optional<int64_t> onDisk{};
        std::optional<Project> project{};
        std::vector<Evidence> evidence{};
        std::optional<std::string> blocked{};
        double confidence = 0;
        double rebuildMinutes = 0;
        double redownloadGB = 0;
        double value = 0;
        std::vector<DuplicateCopy> copies{};
    };

    explicit Candidate(Fields fields);

    // Unique and stable across runs for the same finding: ticks, hidden entries and plans
    // remember candidates by it.
    std::string id;
    // The group of like suggestions ("Hide Suggestions Like This" hides by it).
    std::string detector;
    std::string title;
    std::string detail;
    AdvisorCategory category;
    Rung rung;
    AdvisorAction action;
    int64_t freed;  // unique bytes: what applying gives back
    int64_t onDisk; // allocated bytes the items occupy
    std::optional<Project> project;
    std::vector<Evidence> evidence; // in the order shown
    // Why the candidate cannot be applied now; blocked candidates are shown, never planned.
    std::optional<std::string> blocked;
    double confidence;     // 0 to 1: how sure the detector is
    double rebuildMinutes; // the user's wait while the content is rebuilt
    double redownloadGB;   // data to download again
    double value;          // 0 to 1: how much the user likely values the content itself
    // For a set of identical files, every file of it, the one that stays marked; else empty.
    std::vector<DuplicateCopy> copies;
    double cost = 0; // set by Planner::scored

    std::vector<std::string> paths() const { return action.paths(); }

    bool operator==(const Candidate&) const = default;
};

} // namespace tavelin
