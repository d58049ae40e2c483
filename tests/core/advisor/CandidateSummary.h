#pragma once

// A candidate as one line for whole-value comparisons in the advisor's tests: what the user
// reads and what the planner weighs, with fields at their defaults left out so that an expected
// line names only what the detector decided. The detector shows only when the id does not start
// with it, the paths only when they are not the id's; a tool's command shows as run and as shown.

#include "advisor/Candidate.h"

#include <locale>
#include <sstream>
#include <string>
#include <vector>

namespace tavelin::test {

inline std::string summary(const Candidate& c) {
    std::ostringstream out;
    out.imbue(std::locale::classic());
    bool named = c.id.starts_with(c.detector + ":");
    std::string subject = named ? c.id.substr(c.detector.size() + 1) : "";
    out << c.id << (named ? "" : " by " + c.detector) << " | " << c.title << " | "
        << rawValue(c.category) << ", " << label(c.rung) << " | " << c.action.caseName();
    if (c.paths() != std::vector{subject})
        for (const std::string& path : c.paths())
            out << ' ' << path;
    if (const auto* tool = std::get_if<AdvisorAction::RunTool>(&c.action.value)) {
        out << ' ' << tool->command.executable;
        for (const std::string& argument : tool->command.arguments)
            out << ' ' << argument;
        out << " (" << tool->command.display << ')';
    }
    out << " | " << c.freed << (c.onDisk == c.freed ? "" : "/" + std::to_string(c.onDisk));
    for (const Evidence& line : c.evidence)
        out << " | " << rawValue(line.kind) << ": " << line.text;
    if (c.project)
        out << " | project " << c.project->root << " (" << c.project->name << ')';
    if (c.blocked)
        out << " | blocked: " << *c.blocked;
    out << " | confidence " << c.confidence;
    if (c.rebuildMinutes != 0)
        out << " | minutes " << c.rebuildMinutes;
    if (c.redownloadGB != 0)
        out << " | download " << c.redownloadGB;
    if (c.value != 0)
        out << " | value " << c.value;
    out << " | " << c.detail;
    return out.str();
}

inline std::vector<std::string> summaries(const std::vector<Candidate>& found) {
    std::vector<std::string> lines;
    for (const Candidate& candidate : found)
        lines.push_back(summary(candidate));
    return lines;
}

} // namespace tavelin::test
