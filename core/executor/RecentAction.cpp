#include "executor/RecentAction.h"

#include "util/Uuid.h"

namespace tavelin {

RecentAction RecentAction::make(std::string title, std::vector<std::string> paths, Date date,
                                int64_t freed, std::optional<UndoRecord> undo) {
    return {makeUuid(), std::move(title), std::move(paths), date, freed, std::move(undo), false,
            false};
}

} // namespace tavelin
