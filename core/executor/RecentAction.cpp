#include "executor/RecentAction.h"

#include "util/Uuid.h"

namespace tavelin {

RecentAction RecentAction::make(std::string title, std::vector<std::string> paths, Date date,
                                int64_t freed, std::optional<UndoRecord> undo) {
    return {
        makeUuid(), std::move(title), std::move(paths), date, freed, std::move(undo), false, false,
        {}};
}

std::optional<RecentAction> RecentAction::forStep(const Candidate& step, ActionResult result,
                                                  Date finished) {
    if (result.applied.empty() && !result.undo)
        return std::nullopt;
    return make(step.title, step.paths(), finished, step.freed, std::move(result.undo));
}

} // namespace tavelin
