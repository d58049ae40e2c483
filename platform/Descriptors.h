#pragma once

// Small steps on open descriptors that several platform services share.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavelin::platform {

// Writes all of `bytes`, retrying short and interrupted writes. Returns 0 or the error number.
int writeAll(int fd, std::string_view bytes);

// Renames `from` to `to` only when nothing is at `to` (EEXIST otherwise), both relative to
// open folders (AT_FDCWD for paths). Where the file system cannot refuse to replace, moves by
// `moveByLink` instead. Returns 0 or the error number.
int renameNoReplace(int fromFolder, const char* from, int toFolder, const char* to);

// Moves `from` to `to` without ever replacing anything: gives the entry its new name with a hard
// link, which fails with EEXIST when something is there, then removes the old name, unless
// another entry took that name meanwhile. A folder has no second name: it stays, with
// ENOTSUP. Returns 0 or the error number (the link's error where the file system has none).
int moveByLink(int fromFolder, const char* from, int toFolder, const char* to);

// Where an entry lies: its device, and its mount (the device where the kernel cannot tell
// mounts apart). A rename only works within one placement.
struct Placement {
    uint64_t device = 0;
    uint64_t mount = 0;
    bool operator==(const Placement&) const = default;
};

// The placement of `name` inside the open folder `directoryFd` (AT_FDCWD for a path), with
// statx `flags` (AT_SYMLINK_NOFOLLOW, AT_EMPTY_PATH…); nothing when it cannot be examined.
std::optional<Placement> placementOf(int directoryFd, const char* name, int flags);

// Puts the names in an open folder into `names`, "." and ".." left out, read through a
// descriptor of its own so `directoryFd` stays usable. Returns 0 or the error number.
int entryNames(int directoryFd, std::vector<std::string>& names);

} // namespace tavelin::platform
