#pragma once

// One source of suggestions. A detector reads the tree and the context's callbacks and returns
// candidates; it never changes the tree, so passes may run on a background thread while the
// tree's updates are held. Its settings (thresholds) are fixed when it is made.
//
// A slow detector may run in two parts, so that the tree is held only while it is read: `take`
// reads what it needs of the tree, and the rest of the run that it returns works on that alone,
// for as long as it takes, while the tree changes again.

#include "advisor/AdvisorContext.h"
#include "advisor/Candidate.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace tavelin {

class Detector {
public:
    virtual ~Detector() = default;

    // Stable identifier ("reclaim", "duplicates", …).
    virtual std::string id() const = 0;
    // Slow detectors read file contents: they run once a scan has finished, off the main flow.
    virtual bool isSlow() const { return false; }
    virtual std::vector<Candidate> candidates(const AdvisorContext& context) const = 0;

    // The rest of a run: finds the candidates from what `take` read, without the tree.
    using Rest = std::function<std::vector<Candidate>()>;
    // Reads the tree while it is held, and returns the rest of the run. By default the whole run
    // happens here.
    virtual Rest take(const AdvisorContext& context) const {
        return [found = candidates(context)]() mutable { return std::move(found); };
    }
};

} // namespace tavelin
