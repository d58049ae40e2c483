#pragma once

// What the file system says about one regular file, enough to tell whether two paths hold the
// same stored data (hard links of one inode, or clones sharing their extents) and whether a
// file changed between two looks. The duplicate finder groups files by it; merging checks it
// again before touching a copy.

#include "platform/SharedExtents.h"

#include <compare>
#include <cstdint>
#include <optional>
#include <string>

namespace tavelin::platform {

struct FileTime {
    int64_t seconds = 0;
    uint32_t nanoseconds = 0;
    auto operator<=>(const FileTime&) const = default;
};

struct FileIdentity {
    std::string path;
    int64_t length = 0;    // logical size
    int64_t allocated = 0; // blocks × 512
    uint64_t device = 0;
    uint64_t inode = 0;
    uint32_t linkCount = 1; // names the inode has, in any folder
    uint64_t mount = 0;     // the mount id (the device where the kernel cannot tell it)
    // Where extents can be shared: the physical address of the first extent when that extent
    // is shared, so clones of one file agree on it; 0 otherwise.
    uint64_t cloneID = 0;
    FileTime created{}; // birth time where the file system keeps one, else `modified`
    FileTime modified{};
    // Inode flags (FS_*_FL values): compressed, immutable, append-only, no-dump.
    uint32_t flags = 0;
    // Its file system can share extents between files (btrfs, XFS, bcachefs), so a copy of it
    // can be made to share its data.
    bool canShareExtents = false;

    // The identity of a regular file, not following a final symbolic link; nothing when it
    // cannot be examined or is anything but a regular file. `mounts`, when given, remembers
    // which mounts can share extents, so a run over many files asks each mount once.
    static std::optional<FileIdentity> of(const std::string& path, SharingMounts* mounts = nullptr);

    // Names the stored data: "c" + mount + ":" + cloneID when the file shares its first
    // extent (clones agree), else "i" + device + ":" + inode (hard links agree). Clones go by
    // the mount because extent addresses span the whole file system while each btrfs
    // subvolume has a device of its own: a snapshot in the home folder shares its data.
    std::string dataKey() const;

    // Immutable or append-only: the file cannot be rewritten in place.
    bool isLocked() const;

    bool operator==(const FileIdentity&) const = default;
};

} // namespace tavelin::platform
