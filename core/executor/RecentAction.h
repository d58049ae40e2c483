#pragma once

// One applied step as the recent-actions list keeps it while the application runs, with the way
// to undo it. Identified by `id`: two entries are the same entry only when their ids match.

#include "util/Dates.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tavelin {

struct RecentAction {
    // Runs the undo; an error text, or nothing when everything was put back.
    using Undo = std::function<std::optional<std::string>()>;

    std::string id; // a UUID, fresh for each entry
    std::string title;
    std::vector<std::string> paths;
    Date date = kDistantPast; // when the step finished
    int64_t freed = 0;        // the step's expected freed bytes
    Undo undo;                // absent when the step left nothing to undo
    bool undone = false;      // set once an undo succeeded

    // A new entry with a fresh id, not undone.
    static RecentAction make(std::string title, std::vector<std::string> paths, Date date,
                             int64_t freed, Undo undo);

    bool operator==(const RecentAction& other) const { return id == other.id; }
};

} // namespace tavelin
