#pragma once

// Runs the detectors. Quick detectors only read the tree and a few small files, so they run
// again and again, even while a scan goes on; slow ones read file contents and run once a scan
// has finished. Both lists are process-wide: the application takes them at the start of each
// pass, and tests put their own in place (guarded by one mutex, never held with another lock).

#include "advisor/AdvisorContext.h"
#include "advisor/Candidate.h"
#include "advisor/Detector.h"

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace tavelin::Advisor {

using Detectors = std::vector<std::shared_ptr<const Detector>>;

Detectors quickDetectors();
Detectors slowDetectors();
void setQuickDetectors(Detectors detectors);
void setSlowDetectors(Detectors detectors);
// Puts the lists that ship back in place.
void resetDetectors();

// Every detector's candidates, in list order, scored, without those on another disk than the
// scanned root: paths under the folders where other disks are mounted (unless the scan itself
// lies in that folder), and paths on another mount than the root's.
std::vector<Candidate> candidates(const AdvisorContext& context, const Detectors& detectors);
// The same in two parts: this reads the tree (which must be held still meanwhile) and returns
// the rest of the run, which never reads the tree and so may run while it changes.
Detector::Rest take(const AdvisorContext& context, const Detectors& detectors);

// Whether every item of the candidate is in the tree and finished scanning, its folder too (the
// root is scanning for as long as the scan runs, so it does not count). False without paths:
// during a scan nothing can tell whether such a candidate is complete.
bool isSettled(const Candidate& candidate, Node& root);

struct DetectorTime {
    std::string id;
    std::chrono::nanoseconds elapsed;
};
// Runs each detector on its own and times it, for the TAVELIN_TIME_DETECTORS diagnostics.
std::vector<DetectorTime> timeEach(const AdvisorContext& context, const Detectors& detectors);
// The diagnostics block: "INTERIM kept of found in N ms", then "  id N ms" per detector, each
// line ending in "\n".
std::string timingReport(size_t kept, size_t found, std::chrono::nanoseconds whole,
                         const std::vector<DetectorTime>& times);

} // namespace tavelin::Advisor
