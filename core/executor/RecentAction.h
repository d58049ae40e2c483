#pragma once

// One applied step as the recent-actions list keeps it, with the record that undoes it.
// Identified by `id`: two entries are the same entry only when their ids match.

#include "advisor/Candidate.h"
#include "executor/ActionResult.h"
#include "executor/UndoRecord.h"
#include "util/Dates.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tavelin {

struct RecentAction {
    std::string id; // a UUID, fresh for each entry
    std::string title;
    std::vector<std::string> paths;
    Date date = kDistantPast;       // when the step finished
    int64_t freed = 0;              // the step's expected freed bytes
    std::optional<UndoRecord> undo; // absent when the step left nothing to undo
    bool undone = false;            // set once an undo succeeded
    // Nothing it moved is in the Trash any more (emptied, or taken out by hand), so there is
    // nothing left to put back.
    bool goneFromTrash = false;
    std::string batch; // the id of the kept batch it belongs to (UndoBatch); "" when not kept

    // A new entry with a fresh id, not undone.
    static RecentAction make(std::string title, std::vector<std::string> paths, Date date,
                             int64_t freed, std::optional<UndoRecord> undo);

    // The entry an applied step leaves: one when it dealt with something or can be undone,
    // with the candidate's title, paths and expected bytes.
    static std::optional<RecentAction> forStep(const Candidate& step, ActionResult result,
                                               Date finished);

    // Whether "Put Back" is offered: there is a record, it was not undone, and what it moved
    // is still in the Trash.
    bool canPutBack() const { return undo && !undone && !goneFromTrash; }

    bool operator==(const RecentAction& other) const { return id == other.id; }
};

} // namespace tavelin
