#pragma once

// `tavelin --suggest PATH [--goal GOAL] [--json]`: scans PATH without a window, runs the
// window's detectors and planner, and prints every suggestion with a short id that
// `tavelin --apply PATH --step ID` takes: as a table grouped like the Advisor tab, or as one
// JSON document for programs.

#include "advisor/Candidate.h"
#include "advisor/Goal.h"
#include "advisor/Plan.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace tavelin {
class CommandScan;
}

namespace tavelin::SuggestCommand {

// What the scan found, in the order the Advisor tab groups it, and the plan for the goal.
struct Suggestions {
    std::vector<Candidate> candidates;
    Plan plan;
    bool planned(const Candidate& candidate) const;
};
Suggestions suggestions(const CommandScan& scan, const Goal& goal);

// Eight hexadecimal digits of the candidate's id: the same for the same finding in every run.
std::string shortId(const Candidate& candidate);

// The exit status: 0 once printed, 1 (with the window's sentence on `errors`) when the path
// cannot be scanned.
int run(const std::string& path, const Goal& goal, bool json, bool showProgress,
        std::ostream& output, std::ostream& errors);

} // namespace tavelin::SuggestCommand
