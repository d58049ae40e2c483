#pragma once

// Copying an entry to another place, possibly another drive, to be verified before the original
// goes.

#include <string>

namespace tavelin::platform {

// Copies the entry at `from` to `to`, where nothing may be yet (its folder must exist): a
// folder with everything inside it, a file's content (copy_file_range, else reads and writes),
// a symbolic link as a link to the same target, a FIFO, socket or device as a new one of its
// kind. Keeps modes, owners where the user may set them, access and modification times and
// extended attributes (ACLs included) where the destination can hold them. Each file's data is
// flushed to the destination's disk and dropped from memory, so a later read of the copy reads
// what the disk holds. Never leaves the mount of `from`: a mount point inside fails with EXDEV.
// Stops at the first failure and returns its error number (0 on success), leaving what it
// made for the caller to remove.
[[nodiscard]] int copyItem(const std::string& from, const std::string& to);

} // namespace tavelin::platform
