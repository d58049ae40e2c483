#pragma once

// Proposes to make big, long-unused items in cloud folders online-only: the provider keeps
// them and downloads them again when opened, so only the local copy goes. A whole item is
// proposed when it has been idle long enough; a recently used folder is searched a level or
// two deeper for idle items inside it.

#include "advisor/Detector.h"
#include "advisor/cloud/CloudProvider.h"
#include "advisor/cloud/CloudStorage.h"

#include <functional>

namespace tavelin {

class CloudOnlineOnlyDetector final : public Detector {
public:
    int64_t minBytes = 200'000'000; // allocated bytes below which nothing is proposed
    int minIdleDays = 30;           // items used more recently stay
    int maxDepth = 2;               // folder levels below the provider's folder searched
    int dateBudget = 400;           // most nodes whose dates are read for one item
    // Whether the provider's files can be made online-only on this system.
    std::function<bool(const CloudProvider&)> canMakeOnlineOnly = CloudStorage::canMakeOnlineOnly;

    std::string id() const override { return "cloud-online-only"; }
    std::vector<Candidate> candidates(const AdvisorContext& context) const override;

    // The latest use of the node or anything below it: each node's last-used date where the
    // context knows one, else its modification date, over the node and then its descendants
    // breadth first, at most `dateBudget` nodes in all.
    Date lastUse(const Node& node, const AdvisorContext& context) const;

    // "N weeks" (at least 1) below 60 days, "N months" below a year, "over a year" below two,
    // then "N years".
    static std::string idleText(int days);

private:
    void collect(const Node& node, int depth, const CloudProvider& provider,
                 const AdvisorContext& context, std::vector<Candidate>& into) const;
    Candidate candidate(const Node& node, int idleDays, const CloudProvider& provider) const;
};

} // namespace tavelin
