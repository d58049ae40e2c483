#pragma once

// `tavelin --apply PATH (--goal GOAL | --step ID…) [--yes] [--empty-trash]`: plans as
// `--suggest` does, or takes the steps named by their short ids, says what will happen in the
// confirmation's words, asks on a terminal, runs the core batch, prints the report and keeps
// the batch's undo records for `tavelin --undo` and the window's Recent actions.
//
// The Trash is emptied only when "--empty-trash" asks for it by name, and then only of what it
// held when the user confirmed.

#include <iosfwd>
#include <string>
#include <vector>

namespace tavelin {
struct LaunchOptions;
}

namespace tavelin::ApplyCommand {

// Where the batch talks to the user: `ask` says whether the question can be put (standard
// input and output are a terminal), `answers` is where the answer is read from.
struct Terminal {
    bool ask = false;
    bool showProgress = false;
    std::istream& answers;
    std::ostream& output;
    std::ostream& errors;
};

// The exit status: 0 when every step was applied, 3 when some failed, 1 for a path that
// cannot be scanned or a question answered no, 2 for a step id that is not listed, a step that
// cannot be applied, emptying the Trash not asked for by name, or no one to ask and no "--yes"
// (nothing is applied then).
int run(const LaunchOptions& options, Terminal terminal);

} // namespace tavelin::ApplyCommand
