#pragma once

// Turns what the reclaim rules find into suggestions: one candidate per matched folder, with
// what clearing it costs (minutes of rebuilding, gigabytes to download again) and how sure the
// rule is.

#include "advisor/AdvisorCategory.h"
#include "advisor/Detector.h"

#include <string>
#include <string_view>

namespace tavelin {

class ReclaimDetector final : public Detector {
public:
    std::string id() const override { return "reclaim"; }
    std::vector<Candidate> candidates(const AdvisorContext& context) const override;

    // The section a rule's candidates are listed under; `developer` for ids it does not know.
    static AdvisorCategory category(std::string_view ruleID);

    struct Rebuild {
        double minutes = 0;
        double redownloadGB = 0;
        bool operator==(const Rebuild&) const = default;
    };
    // What clearing an item of `gb` decimal gigabytes (its unique size) costs, by rule; nothing
    // for ids it does not know.
    static Rebuild rebuild(std::string_view ruleID, double gb);

    // "4 min" (rounded to whole minutes) below an hour, "1.5 h" from an hour on.
    static std::string minutes(double m);
};

} // namespace tavelin
