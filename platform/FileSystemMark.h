#pragma once

// Changes anywhere on one file system through a single fanotify mark, with no watch per
// folder: each change names the folder whose entry changed by its path. Needs the privilege to
// mark a whole file system (CAP_SYS_ADMIN) and to open files by handle (CAP_DAC_READ_SEARCH),
// a kernel that reports folder entries (5.9), and a file system that can name its files by
// handle. Not shared between threads.

#include "platform/Inotify.h"
#include "platform/UniqueFd.h"

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace tavelin::platform {

class FileSystemMark {
public:
    // Marks the file system holding the open folder `folderFd`; false when that is refused.
    explicit FileSystemMark(int folderFd);
    explicit operator bool() const { return static_cast<bool>(fd_); }
    // Readable when changes are queued.
    int fd() const { return fd_.get(); }

    // The changes queued now, without waiting, each with the folder's path (`watch` is -1),
    // as the folder's mount is seen from here; a folder deleted meanwhile has no path and
    // its changes are left out. Paths and names point into storage the next read reuses.
    std::vector<FolderChange> read();

private:
    // The path of the folder a handle names (its header and `handleBytes` bytes, unaligned),
    // looked up once per read.
    const std::string* pathOf(const std::byte* handle, size_t handleBytes);

    UniqueFd fd_;
    UniqueFd mount_; // a folder of the file system, to open handles against
    std::unique_ptr<std::byte[]> buffer_;
    std::map<std::string, std::string> paths_; // handle bytes → path, for one read
    std::deque<std::string> names_;            // paths made for a read, kept in place
};

// Whether the open folder is the top of the mount it belongs to.
bool isMountRoot(int folderFd);
// The path of what a descriptor holds open, as seen from here: empty when it has none any more
// (deleted) or it lies beyond what this process sees.
std::string pathOf(int fd);

} // namespace tavelin::platform
