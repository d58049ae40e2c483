#pragma once

// `tavelin --undo [ID]` and `tavelin --undo --list`: the batches kept in the data folder, put
// back after Tavelin has quit. A record that cannot be read is listed as such and never acted
// on.

#include <iosfwd>
#include <string>

namespace tavelin {
class UndoJournal;
}

namespace tavelin::UndoCommand {

// Lists the kept batches, newest first: id, date, whether each can still be put back, and the
// titles of its steps. Always 0.
int list(const UndoJournal& journal, std::ostream& output);

// Puts back batch `id`, or with "" the newest one that can still be put back. The exit status:
// 0 when everything came back, 3 when something could not, 1 when nothing can be put back or
// the record cannot be read, 2 for an id that is not kept.
int undo(const UndoJournal& journal, const std::string& id, std::ostream& output,
         std::ostream& errors);

} // namespace tavelin::UndoCommand
