#pragma once

#include "platform/UniqueFd.h"

namespace tavelin::platform {

// Opens a folder for listing (read-only, close-on-exec). Fails with errno set.
UniqueFd openDirectory(const char* path);
// Opens a sub-folder relative to an open folder, never through a symbolic link.
UniqueFd openSubdirectory(int directoryFd, const char* name);

// Raises the soft limit on open files to 10,240 (or the hard limit when that is lower), once per
// process: every walker holds one descriptor per level it has entered.
void raiseOpenFileLimitOnce();

} // namespace tavelin::platform
