#include "shell/ApplyCommand.h"

#include "executor/ApplyBatch.h"
#include "executor/Executor.h"
#include "executor/UndoJournal.h"
#include "model/ApplyState.h"
#include "model/DataFolder.h"
#include "platform/Volumes.h"
#include "shell/CommandScan.h"
#include "shell/LaunchOptions.h"
#include "shell/SuggestCommand.h"
#include "util/Format.h"
#include "util/Text.h"
#include "widgets/SandboxAccess.h"

#include <algorithm>
#include <istream>
#include <ostream>
#include <variant>

namespace tavelin::ApplyCommand {
namespace {

using SuggestCommand::shortId;

constexpr int kFailed = 3;
constexpr int kBadInput = 2;
constexpr int kDeclined = 1;

bool empties(const Candidate& candidate) {
    return candidate.action.is<AdvisorAction::EmptyTrash>();
}

// The steps the options name, or the sentence saying why they cannot be applied.
std::variant<std::vector<Candidate>, std::string>
chosenSteps(const LaunchOptions& options, const SuggestCommand::Suggestions& found) {
    std::vector<Candidate> steps;
    auto add = [&](const Candidate& candidate) {
        if (std::ranges::find(steps, candidate.id, &Candidate::id) == steps.end())
            steps.push_back(candidate);
    };
    for (const std::string& id : options.steps) {
        auto named = std::ranges::find_if(
            found.candidates, [&](const Candidate& candidate) { return shortId(candidate) == id; });
        if (named == found.candidates.end())
            return "tavelin: no step “" + singleLine(id) + "” among the suggestions for “" +
                   singleLine(options.commandPath) + "” (see tavelin --suggest)";
        if (named->blocked)
            return "tavelin: “" + singleLine(named->title) +
                   "” can’t be applied now: " + singleLine(*named->blocked);
        if (named->action.is<AdvisorAction::Guide>())
            return "tavelin: “" + singleLine(named->title) + "” is a guide to follow yourself";
        if (empties(*named) && !options.emptyTrash)
            return "tavelin: step " + id +
                   " empties the Trash for good; add --empty-trash to ask for it";
        add(*named);
    }
    if (options.steps.empty())
        for (const std::string& id : found.plan.selected)
            if (auto planned = std::ranges::find(found.candidates, id, &Candidate::id);
                !empties(*planned) || options.emptyTrash)
                add(*planned);
    if (options.emptyTrash)
        if (auto trash = std::ranges::find_if(found.candidates, empties);
            trash != found.candidates.end())
            add(*trash);
    return steps;
}

void printConfirmation(const ApplyBatch::Confirmed& confirmed, std::ostream& output) {
    const std::vector<Candidate>& steps = confirmed.steps;
    bool permanent = std::ranges::any_of(steps, empties);
    output << ApplyState::summary(steps).toStdString()
           << (permanent ? " Emptying the Trash can’t be undone."
                         : " Things moved to the Trash can be put back from Recent Actions.")
           << "\n";
    for (const Candidate& step : steps)
        output << "  " << shortId(step) << "  " << singleLine(step.title) << "  "
               << formatBytes(step.freed) << "\n";
    if (confirmed.trash.empty())
        return;
    int64_t items = 0;
    for (const TrashListing& trash : confirmed.trash)
        items += trash.items ? static_cast<int64_t>(trash.items->size()) : 0;
    output << "The Trash holds " << (items == 1 ? "1 item" : formatCount(items) + " items")
           << " now; only what it holds now is erased.\n";
}

bool confirmedByUser(size_t count, Terminal& terminal) {
    terminal.output << "Apply "
                    << (count == 1 ? std::string("1 step")
                                   : formatCount(static_cast<int64_t>(count)) + " steps")
                    << "? [y/N] " << std::flush;
    std::string answer;
    std::getline(terminal.answers, answer);
    answer = lowercased(answer);
    return answer == "y" || answer == "yes";
}

int64_t freeBytes(const std::string& path) {
    return platform::availableBytes(path).value_or(0);
}

// Runs the confirmed batch, prints its report and keeps its undo records. The exit status.
int applyConfirmed(const ApplyBatch::Confirmed& confirmed, const std::string& path,
                   const ExecutorEnvironment& env, std::ostream& output, std::ostream& errors) {
    int64_t expected = 0;
    for (const Candidate& step : confirmed.steps)
        expected += step.freed;
    int64_t before = freeBytes(path);
    UndoBatch kept{UndoBatch::newId(), std::chrono::system_clock::now(), {}};
    std::vector<std::string> failures;
    std::vector<std::string> pending;
    std::vector<TrashedItem> trashed;
    ApplyBatch::run(confirmed, SandboxAccess::isSandboxed(), env,
                    [&](const ApplyBatch::Step& done) {
                        const Candidate& step = confirmed.steps[done.index];
                        ActionResult result = done.result;
                        if (result.error)
                            failures.push_back(step.title + ": " + *result.error);
                        if (result.pending)
                            pending.push_back(*result.pending);
                        if (result.undo)
                            for (const TrashedItem& item : result.undo->trashedItems())
                                trashed.push_back(item);
                        if (auto action = RecentAction::forStep(step, std::move(result),
                                                                std::chrono::system_clock::now()))
                            kept.actions.push_back(std::move(*action));
                    });
    int64_t freed = std::max<int64_t>(freeBytes(path) - before, 0);
    output << singleLine(ApplyState::report(freed, expected, pending, {}).toStdString()) << "\n";
    for (const std::string& failure : failures)
        output << singleLine(failure) << "\n";
    if (!trashed.empty())
        output << "Moved to the Trash:\n";
    for (const TrashedItem& item : trashed)
        output << "  " << singleLine(item.original) << "\n";
    if (!kept.actions.empty()) {
        if (std::error_code error = UndoJournal(dataFolder() / "undo").save(kept))
            errors << "tavelin: the undo record couldn’t be kept: " << error.message() << "\n";
        else if (kept.hasUndo())
            output << "Put it back with: tavelin --undo " << kept.id << "\n";
    }
    return failures.empty() ? 0 : kFailed;
}

} // namespace

int run(const LaunchOptions& options, Terminal terminal) {
    std::optional<CommandScan> scan =
        CommandScan::run(options.commandPath, terminal.showProgress, terminal.errors);
    if (!scan)
        return 1;
    SuggestCommand::Suggestions found = SuggestCommand::suggestions(*scan, options.goal);
    auto chosen = chosenSteps(options, found);
    if (auto* error = std::get_if<std::string>(&chosen)) {
        terminal.errors << *error << "\n";
        return kBadInput;
    }
    std::vector<Candidate>& steps = std::get<std::vector<Candidate>>(chosen);
    if (options.steps.empty() && !options.emptyTrash &&
        std::ranges::any_of(found.plan.selected, [&](const std::string& id) {
            return std::ranges::any_of(found.candidates, [&](const Candidate& candidate) {
                return candidate.id == id && empties(candidate);
            });
        }))
        terminal.output << "The plan empties the Trash too; that is left out unless "
                           "--empty-trash asks for it.\n";
    if (steps.empty()) {
        terminal.output << "Nothing to apply.\n";
        return 0;
    }
    if (!options.yes && !terminal.ask) {
        terminal.errors << "tavelin: nothing applied: without a terminal to ask on, --apply "
                           "needs --yes\n";
        return kBadInput;
    }
    ExecutorEnvironment env = ExecutorEnvironment::live();
    // What the user confirms to erase is what the Trash holds when asked.
    ApplyBatch::Confirmed confirmed = ApplyBatch::confirm(std::move(steps), env);
    printConfirmation(confirmed, terminal.output);
    if (!options.yes && !confirmedByUser(confirmed.steps.size(), terminal)) {
        terminal.output << "Nothing was applied.\n";
        return kDeclined;
    }
    return applyConfirmed(confirmed, scan->path(), env, terminal.output, terminal.errors);
}

} // namespace tavelin::ApplyCommand
