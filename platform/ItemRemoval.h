#pragma once

// Deleting an entry for good: only emptying the Trash and cleaning up a copy of our own do it.

#include <string>

namespace tavelin::platform {

// Removes the entry at `path`: a file or a symbolic link itself (never its target), or a folder
// with everything inside it. Never enters another mount: a mount point inside stays, with the
// folders that lead to it, and the result is EBUSY; a `path` that is itself a mount point is
// left alone. Folders the user may not change are given write and search permission first.
// Goes on past entries it cannot remove. Returns 0, or the first error met (ENOENT when nothing
// is at `path`).
[[nodiscard]] int removeItem(const std::string& path);

} // namespace tavelin::platform
