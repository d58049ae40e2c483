#pragma once

// One source of suggestions. A detector reads the tree and the context's callbacks and returns
// candidates; it never changes the tree, so passes may run on a background thread while the
// tree's updates are held. Its settings (thresholds) are fixed when it is made.

#include "advisor/AdvisorContext.h"
#include "advisor/Candidate.h"

#include <string>
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
};

} // namespace tavelin
