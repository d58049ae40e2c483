#pragma once

// Opening folders for a walk. A folder is first opened as a place (O_PATH: no permission to read
// it is needed, so its facts can be read even when it cannot be listed), then for listing.

#include "platform/UniqueFd.h"

#include <string_view>

namespace tavelin::platform {

// Opens the folder a user named as a place, following symbolic links: it may be reached
// through one. Fails with errno set (ENOTDIR when it is not a folder).
UniqueFd openFolder(const char* path);
// Opens the folder at `relative` ("a/b/c", or "." for `baseFd` itself) beneath an open folder
// as a place, never through a symbolic link in any component and never onto another mount, so
// that a link swapped into the path cannot lead a walk out of its tree. Fails with errno set.
UniqueFd openFolderBeneath(int baseFd, std::string_view relative);
// Opens an open folder (a place or not) again for listing. Fails with errno set (EACCES when it
// cannot be read).
UniqueFd openListing(int folderFd);
// Opens for listing at once what openFolder and openFolderBeneath open as a place, saving an
// open and a close where the folder can be read. Fail with errno set (EACCES when it cannot).
UniqueFd openListing(const char* path);
UniqueFd openListingBeneath(int baseFd, std::string_view relative);
// Opens a sub-folder relative to an open folder for listing, never through a symbolic link.
UniqueFd openSubdirectory(int directoryFd, const char* name);

// Raises the soft limit on open files to 10,240 (or the hard limit when that is lower), once per
// process: every walker holds one descriptor per level it has entered.
void raiseOpenFileLimitOnce();

} // namespace tavelin::platform
