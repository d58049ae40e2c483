#pragma once

// Carries out the steps the user confirmed, for the window and the command line alike. Two
// rules keep whatever a batch moves to the Trash there, to be put back: emptying the Trash runs
// before every other step, and it erases only the entries listed when the user confirmed
// (`Executor::listTrash`). One step's failure never stops the others.
//
// Blocks until every step is done: run it off the UI thread, on a worker of the pool or on a
// terminal program's own thread. Keeps nothing between calls.

#include "advisor/Candidate.h"
#include "executor/ActionResult.h"
#include "executor/ExecutorEnvironment.h"
#include "executor/TrashListing.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

namespace tavelin::ApplyBatch {

struct Step {
    size_t index = 0;    // the step's place in the confirmed list
    ActionResult result; // with its undo record, when it left one
};

// Runs the steps: those that empty the Trash first, then the others in their order. Emptying
// erases the entries of `confirmedTrash` only. `onStep` hears each step as it finishes, on the
// calling thread. Returns every step's result, in the order they ran.
std::vector<Step> run(const std::vector<Candidate>& steps,
                      const std::optional<TrashListing>& confirmedTrash, bool sandboxed,
                      const ExecutorEnvironment& env,
                      const std::function<void(const Step&)>& onStep = {});

} // namespace tavelin::ApplyBatch
