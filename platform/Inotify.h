#pragma once

// Folder watches through inotify: one watch per folder, each reporting changes to the folder's
// entries. Not shared between threads.

#include "platform/UniqueFd.h"

#include <cstddef>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

namespace tavelin::platform {

// A change to a folder's entries, from inotify or from a file system's fanotify mark.
struct FolderChange {
    enum class Kind {
        entries,       // an entry was created, deleted, moved, written, or its attributes changed
        folderAdded,   // the sub-folder `name` was created or moved in
        folderRemoved, // the sub-folder `name` was deleted or moved out
        watchEnded,    // the watch is gone: its folder was deleted or unmounted, or unwatched
        overflow,      // the kernel's queue overflowed and changes were lost; `watch` is -1
    };
    int watch = -1; // inotify's watch of the folder
    Kind kind = Kind::entries;
    std::string_view name{};   // empty when the folder itself changed
    std::string_view folder{}; // a file system mark's path of the folder
};

class Inotify {
public:
    // A new instance; false when the system refuses one.
    Inotify();
    explicit operator bool() const { return static_cast<bool>(fd_); }
    // Readable when changes are queued.
    int fd() const { return fd_.get(); }

    // Watches the folder open as `folderFd` (any descriptor of it, a place included), never
    // through a symbolic link. Returns the watch (the one it already has, for a folder watched
    // before), or the negated error number: -ENOSPC once the user's limit on watches is reached.
    int watch(int folderFd) const;
    // The same for the folder at an absolute path, whose last component is not followed.
    int watch(const char* folderPath) const;
    void unwatch(int watch) const;

    // The changes queued now, without waiting; names point into a buffer the next read reuses.
    std::vector<FolderChange> read();

    // The changes in a buffer of the kernel's inotify records.
    static std::vector<FolderChange> decode(std::span<const std::byte> records);

private:
    UniqueFd fd_;
    std::unique_ptr<std::byte[]> buffer_;
};

} // namespace tavelin::platform
