#pragma once

// Carries out the steps the user confirmed, for the window and the command line alike. Two
// rules keep whatever a batch moves to the Trash there, to be put back: emptying the Trash runs
// before every other step, and it erases only the items each Trash held when the user
// confirmed. One step's failure never stops the others.
//
// `run` blocks until every step is done: run it off the UI thread, on a worker of the pool or
// on a terminal program's own thread. Keeps nothing between calls.

#include "advisor/Candidate.h"
#include "executor/ActionResult.h"
#include "executor/ExecutorEnvironment.h"
#include "executor/TrashListing.h"

#include <cstddef>
#include <functional>
#include <vector>

namespace tavelin::ApplyBatch {

// The steps as the user confirmed them, with what each Trash they empty held at that moment.
struct Confirmed {
    std::vector<Candidate> steps;
    std::vector<TrashListing> trash;
};

// Lists each Trash the steps empty: call it the moment the user confirms.
Confirmed confirm(std::vector<Candidate> steps, const ExecutorEnvironment& env);

struct Step {
    size_t index = 0;    // the step's place in the confirmed list
    ActionResult result; // with its undo record, when it left one
};

// Runs the steps: those that empty the Trash first, then the others in their order;
// `sandboxed` keeps tools from running. `onStep` hears each step as it finishes, on the calling
// thread. Returns every step's result, in the order they ran.
std::vector<Step> run(const Confirmed& batch, bool sandboxed, const ExecutorEnvironment& env,
                      const std::function<void(const Step&)>& onStep = {});

} // namespace tavelin::ApplyBatch
