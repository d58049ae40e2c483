#pragma once

// What deleting a file would free on file systems where files can share data (reflink clones),
// read from the file's extent map.

#include <cstdint>
#include <mutex>
#include <optional>
#include <unordered_map>

namespace tavelin::platform {

struct SharingFacts {
    int64_t privateSize = 0;     // allocated bytes that no other file shares
    bool mayShareBlocks = false; // some extent is shared
};

// Whether the file system of an open descriptor can share extents (btrfs, XFS, bcachefs).
// Elsewhere a file's unique size is its allocated size and no extent map is worth reading.
bool canShareExtents(int fd);
bool canShareExtents(const char* path);

// Which mounts can share extents, each asked once (by the file-system type of the first path
// seen on it). Thread safety: `answers_` is guarded by `lock_`; the file system is asked
// outside it.
class SharingMounts {
public:
    bool canShare(uint64_t mount, const char* pathOnMount);

private:
    std::mutex lock_;
    std::unordered_map<uint64_t, bool> answers_; // guarded by lock_
};

// The sharing facts of regular file `name` inside `directoryFd` (or an absolute path with
// AT_FDCWD), given its allocated size; nothing when it cannot be opened or mapped.
std::optional<SharingFacts> readSharingFacts(int directoryFd, const char* name, int64_t allocated);

// The clone id of a regular file, not following a final symbolic link: the physical address of
// its first extent when that extent is shared, else 0 (also when it cannot be mapped). Only the
// first extent is mapped, which is much cheaper than the whole map of a large file.
uint64_t readCloneId(const char* path);

// The sharing facts of one path, not following a final symbolic link: `readable` is false when
// the path cannot be examined; `facts` is absent where files cannot share data or the path is
// not a regular file.
struct PathSharing {
    bool readable = false;
    std::optional<SharingFacts> facts;
};
PathSharing readPathSharing(const char* path, int64_t allocated);

} // namespace tavelin::platform
