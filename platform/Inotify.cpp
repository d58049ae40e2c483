#include "platform/Inotify.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <string>
#include <sys/inotify.h>
#include <unistd.h>

namespace tavelin::platform {
namespace {

// Enough for many records per read; one record holds at most a name of NAME_MAX bytes.
constexpr size_t kBufferSize = 64 * (sizeof(inotify_event) + NAME_MAX + 1);

// Changes to the folder's entries. Attribute changes are watched because a folder whose
// permissions change may become unreadable, or readable again. The watch is added through the
// descriptor's link in /proc, which must be followed.
constexpr uint32_t kWatched = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_MODIFY |
                              IN_ATTRIB | IN_ONLYDIR | IN_EXCL_UNLINK;

FolderChange::Kind kindOf(uint32_t mask) {
    if (mask & IN_Q_OVERFLOW)
        return FolderChange::Kind::overflow;
    if (mask & IN_IGNORED)
        return FolderChange::Kind::watchEnded;
    if ((mask & IN_ISDIR) && (mask & (IN_CREATE | IN_MOVED_TO)))
        return FolderChange::Kind::folderAdded;
    if ((mask & IN_ISDIR) && (mask & (IN_DELETE | IN_MOVED_FROM)))
        return FolderChange::Kind::folderRemoved;
    return FolderChange::Kind::entries;
}

// What the folder's parent also reports, or the end of the watch that follows.
bool reportedElsewhere(uint32_t mask) {
    return mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT);
}

} // namespace

Inotify::Inotify()
    : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
    , buffer_(std::make_unique_for_overwrite<std::byte[]>(kBufferSize)) {}

int Inotify::watch(int folderFd) const {
    // The descriptor's own entry in /proc names exactly the folder it holds open, whatever
    // became of the path it was opened by.
    std::string place = "/proc/self/fd/" + std::to_string(folderFd);
    int watch = ::inotify_add_watch(fd_.get(), place.c_str(), kWatched);
    return watch >= 0 ? watch : -errno;
}

int Inotify::watch(const char* folderPath) const {
    int watch = ::inotify_add_watch(fd_.get(), folderPath, kWatched | IN_DONT_FOLLOW);
    return watch >= 0 ? watch : -errno;
}

void Inotify::unwatch(int watch) const {
    ::inotify_rm_watch(fd_.get(), watch);
}

std::vector<FolderChange> Inotify::read() {
    ssize_t got;
    do
        got = ::read(fd_.get(), buffer_.get(), kBufferSize);
    while (got < 0 && errno == EINTR);
    if (got <= 0)
        return {};
    return decode({buffer_.get(), static_cast<size_t>(got)});
}

std::vector<FolderChange> Inotify::decode(std::span<const std::byte> records) {
    std::vector<FolderChange> changes;
    for (size_t at = 0; at + sizeof(inotify_event) <= records.size();) {
        inotify_event record;
        std::memcpy(&record, records.data() + at, sizeof record);
        size_t end = at + sizeof(inotify_event) + record.len;
        if (end > records.size())
            break;
        const char* name = reinterpret_cast<const char*>(records.data() + at + sizeof record);
        at = end;
        if (reportedElsewhere(record.mask))
            continue;
        // The kernel pads names with NULs to a boundary.
        changes.push_back({record.wd, kindOf(record.mask), {name, ::strnlen(name, record.len)}});
    }
    return changes;
}

} // namespace tavelin::platform
