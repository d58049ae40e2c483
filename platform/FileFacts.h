#pragma once

// What a walk needs to know of one directory entry, read with a single statx relative to its
// directory, without following a final symbolic link and without syncing remote file systems.

#include <cstdint>
#include <optional>
#include <sys/types.h>

namespace tavelin::platform {

// A file's identity: equal for two names of one file, and for a folder met twice.
struct FileId {
    uint64_t device = 0;
    uint64_t inode = 0;
    bool operator==(const FileId&) const = default;
};

struct FileFacts {
    bool isDirectory = false;
    bool isRegular = false;
    // The mount the entry lies on: walks stay on one mount. Falls back to the device number on
    // kernels that cannot tell the mount.
    uint64_t mount = 0;
    uint64_t device = 0; // with `inode`, identifies a hard-linked file
    uint64_t inode = 0;
    uint32_t linkCount = 1;
    int64_t allocated = 0; // blocks × 512
    int64_t apparent = 0;  // the length of the content, holes included
    int64_t modifiedSeconds = 0;
    uint32_t modifiedNanoseconds = 0;
    // When the entry itself last changed: for a folder, when an entry was added, removed or
    // renamed in it.
    int64_t changedSeconds = 0;
    uint32_t changedNanoseconds = 0;

    FileId id() const { return {device, inode}; }
};

// Facts of `name` inside the open directory `directoryFd` (or of an absolute path with
// AT_FDCWD); an empty name gives the facts of the open file itself. Returns 0, or the system's
// error number.
int readFileFacts(int directoryFd, const char* name, FileFacts& facts);
// Facts of an absolute path.
int readFileFacts(const char* path, FileFacts& facts);

} // namespace tavelin::platform
