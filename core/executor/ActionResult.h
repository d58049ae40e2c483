#pragma once

// What applying one advisor action did: the paths dealt with, about how much that frees, how
// to undo it, and what the user should read about failures and work still pending.

#include "executor/UndoRecord.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tavelin {

struct ActionResult {
    std::vector<std::string> applied; // paths dealt with (a tool: its display name)
    int64_t freedEstimate = 0;        // bytes the action is expected to free
    std::optional<UndoRecord> undo;   // absent when nothing reversible happened
    std::optional<std::string> error; // sentences, joined by single spaces
    std::optional<std::string> pending;
    std::vector<std::string> archived; // destination paths of verified archive copies

    bool operator==(const ActionResult&) const = default;
};

} // namespace tavelin
