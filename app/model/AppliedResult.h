#pragma once

// What the window keeps of one applied step: the paths dealt with, the sentences about failures
// and work still pending, where things went, and how to undo it.

#include "advisor/AdvisorAction.h"
#include "executor/RecentAction.h"

#include <optional>
#include <string>
#include <vector>

namespace tavelin {

struct AppliedResult {
    std::vector<std::string> applied;
    std::optional<std::string> error;
    std::optional<std::string> pending;
    // Present exactly when the step left something to put back.
    RecentAction::Undo undo;
    // Where moved items are now (their places in a Trash, archive copies), so the folders that
    // received them can be measured again.
    std::vector<std::string> landed;

    // Carries the action out on this machine. Blocks: call it off the UI thread. After an
    // archive to cloud storage, a detached thread waits up to six hours for the copies to upload
    // and then makes them online-only.
    static AppliedResult live(const AdvisorAction& action, bool sandboxed);
};

} // namespace tavelin
