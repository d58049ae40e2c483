#include "shell/SuggestCommand.h"

#include "advisor/Planner.h"
#include "model/AdvisorState.h"
#include "shell/CommandScan.h"
#include "util/Format.h"
#include "util/Sha256.h"
#include "util/Text.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <ostream>
#include <span>

namespace tavelin::SuggestCommand {
namespace {

using Json = nlohmann::ordered_json;

constexpr size_t kShortIdBytes = 4;
constexpr size_t kTitleWidth = 44;
constexpr size_t kRungWidth = 14;

std::string goalText(const Goal& goal) {
    return goal.isAsMuchAsSafe() ? "as much as is safe" : formatBytes(*goal.byteCount());
}

std::string groupTitle(const AdvisorState::Group& group) {
    if (const auto* project = std::get_if<Project>(&group.owner))
        return project->name;
    return std::string(title(std::get<AdvisorCategory>(group.owner)));
}

// `text` on one line, cut or padded to `width` characters (each UTF-8 sequence counts once).
std::string column(const std::string& text, size_t width) {
    std::string line = singleLine(text);
    std::vector<size_t> starts;
    for (size_t i = 0; i < line.size(); ++i)
        if ((static_cast<unsigned char>(line[i]) & 0xC0) != 0x80)
            starts.push_back(i);
    if (starts.size() > width)
        return line.substr(0, starts[width - 1]) + "…";
    return line.append(width - starts.size(), ' ');
}

void printGroup(const AdvisorState::Group& group, const Suggestions& found, std::ostream& output) {
    output << "\n" << singleLine(groupTitle(group)) << "\n";
    for (const Candidate* candidate : group.candidates) {
        output << "  " << (found.planned(*candidate) ? "[x] " : "[ ] ") << shortId(*candidate)
               << "  " << column(candidate->title, kTitleWidth) << "  "
               << column(std::string(label(candidate->rung)), kRungWidth) << " "
               << formatBytes(candidate->freed) << "\n";
        for (const Evidence& evidence : candidate->evidence)
            output << "               " << singleLine(evidence.text) << "\n";
        if (candidate->blocked)
            output << "               Can’t be applied now: " << singleLine(*candidate->blocked)
                   << "\n";
    }
}

Json candidateJson(const Candidate& candidate, const Suggestions& found) {
    Json evidence = Json::array();
    for (const Evidence& line : candidate.evidence)
        evidence.push_back({{"kind", rawValue(line.kind)}, {"text", line.text}});
    return {
        {"id", shortId(candidate)},
        {"title", candidate.title},
        {"detail", candidate.detail},
        {"group",
         candidate.project ? candidate.project->name : std::string(title(candidate.category))},
        {"project", candidate.project ? Json(candidate.project->root) : Json()},
        {"rung", label(candidate.rung)},
        {"action", candidate.action.caseName()},
        {"freed", candidate.freed},
        {"onDisk", candidate.onDisk},
        {"planned", found.planned(candidate)},
        {"blocked", candidate.blocked ? Json(*candidate.blocked) : Json()},
        {"paths", candidate.paths()},
        {"evidence", std::move(evidence)},
    };
}

void printJson(const CommandScan& scan, const Goal& goal, const Suggestions& found,
               std::ostream& output) {
    Json steps = Json::array();
    for (const std::string& id : found.plan.selected)
        for (const Candidate& candidate : found.candidates)
            if (candidate.id == id)
                steps.push_back(shortId(candidate));
    Json suggestions = Json::array();
    for (const Candidate& candidate : found.candidates)
        suggestions.push_back(candidateJson(candidate, found));
    Json document{
        {"path", scan.path()},
        {"goal", goal.isAsMuchAsSafe() ? Json("max-safe") : Json(*goal.byteCount())},
        {"plan",
         {{"steps", std::move(steps)},
          {"freed", found.plan.freed},
          {"reachesGoal", found.plan.reachesGoal}}},
        {"suggestions", std::move(suggestions)},
    };
    // Names that are not UTF-8 cannot travel in JSON unchanged; their odd bytes become U+FFFD.
    output << document.dump(2, ' ', false, Json::error_handler_t::replace) << "\n";
}

void printTable(const CommandScan& scan, const Goal& goal, const Suggestions& found,
                std::ostream& output) {
    output << "What could go in " << singleLine(scan.path()) << ", planned for " << goalText(goal)
           << ": ";
    size_t ticked = found.plan.selected.size();
    if (ticked == 0)
        output << "the plan ticks no step.\n";
    else
        output << "the plan ticks " << (ticked == 1 ? "1 step" : std::to_string(ticked) + " steps")
               << " and frees " << formatBytes(found.plan.freed) << ".\n";
    if (found.candidates.empty()) {
        output << "\nNothing to suggest.\n";
        return;
    }
    std::vector<const Candidate*> all;
    for (const Candidate& candidate : found.candidates)
        all.push_back(&candidate);
    AdvisorState::Layout layout = AdvisorState::grouped(all);
    for (const AdvisorState::Group& group : layout.categories)
        printGroup(group, found, output);
    if (!layout.projects.empty())
        output << "\nProjects\n";
    for (const AdvisorState::Group& group : layout.projects)
        printGroup(group, found, output);
    output << "\nApply the ticked steps with: tavelin --apply PATH --goal GOAL; chosen ones with"
              " --step ID.\n";
}

} // namespace

bool Suggestions::planned(const Candidate& candidate) const {
    return std::ranges::find(plan.selected, candidate.id) != plan.selected.end();
}

Suggestions suggestions(const CommandScan& scan, const Goal& goal) {
    std::vector<const Candidate*> all;
    for (const Candidate& candidate : scan.candidates())
        all.push_back(&candidate);
    AdvisorState::Layout layout = AdvisorState::grouped(all);
    Suggestions found;
    for (const auto* groups : {&layout.categories, &layout.projects})
        for (const AdvisorState::Group& group : *groups)
            for (const Candidate* candidate : group.candidates)
                found.candidates.push_back(*candidate);
    found.plan = Planner::plan(found.candidates, goal);
    return found;
}

std::string shortId(const Candidate& candidate) {
    Sha256Digest digest = sha256(
        std::span(reinterpret_cast<const uint8_t*>(candidate.id.data()), candidate.id.size()));
    return hexString(std::span(digest).first(kShortIdBytes));
}

int run(const std::string& path, const Goal& goal, bool json, bool showProgress,
        std::ostream& output, std::ostream& errors) {
    std::optional<CommandScan> scan = CommandScan::run(path, showProgress, errors);
    if (!scan)
        return 1;
    Suggestions found = suggestions(*scan, goal);
    if (json)
        printJson(*scan, goal, found, output);
    else
        printTable(*scan, goal, found, output);
    return 0;
}

} // namespace tavelin::SuggestCommand
