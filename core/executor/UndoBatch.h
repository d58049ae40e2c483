#pragma once

// The recent actions one confirmed batch left, as kept in the data folder so that they can be
// put back after Tavelin has quit, from the window or from a terminal. `id` is short (eight
// hexadecimal digits) for people to type.

#include "executor/RecentAction.h"
#include "util/Dates.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavelin {

struct UndoBatchDecoding;

struct UndoBatch {
    std::string id;
    Date date = kDistantPast;
    std::vector<RecentAction> actions; // in the order the steps ran

    // A fresh random id.
    static std::string newId();

    // JSON: {"date": seconds since 1970, "actions": [{"id", "title", "paths", "date", "freed",
    // "undone", "undo"}]}, each undo in its own JSON form. Names that are not valid UTF-8 are
    // written with U+FFFD, and an undo record holding such a path is left out: the entry is
    // still listed, but can no longer be put back from the record.
    std::string encoded() const;
    // Reads what `encoded` writes; the id is not part of the text.
    static UndoBatchDecoding decoded(std::string_view text, std::string id);

    // Whether some action can still be put back, as far as the record knows (not undone, with
    // an undo record); whether the Trash still holds its items is for the executor to say.
    bool hasUndo() const;
};

struct UndoBatchDecoding {
    std::optional<UndoBatch> batch;
    std::string error; // why there is none
};

} // namespace tavelin
