#include "platform/Files.h"

#include "platform/UniqueFd.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace tavelin::platform {

bool pathExists(const char* path) {
    struct statx status;
    return ::statx(AT_FDCWD, path, AT_SYMLINK_NOFOLLOW | AT_STATX_DONT_SYNC, 0, &status) == 0;
}

bool canWriteInto(const char* folder) {
    // The effective user's rights, and EROFS from a file system mounted read-only, even for root.
    return ::faccessat(AT_FDCWD, folder, W_OK | X_OK, AT_EACCESS) == 0;
}

std::optional<std::string> readRegularFile(const char* path, size_t limit) {
    // Non-blocking, so that opening a FIFO returns at once; its type is refused below.
    UniqueFd fd(::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    struct stat status;
    if (!fd || ::fstat(fd.get(), &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    std::string content;
    char buffer[65'536];
    for (;;) {
        ssize_t count = ::read(fd.get(), buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return std::nullopt;
        if (count == 0)
            return content;
        if (content.size() + static_cast<size_t>(count) > limit)
            return std::nullopt;
        content.append(buffer, static_cast<size_t>(count));
    }
}

std::optional<std::string> readLinkTarget(const char* path) {
    char target[4096];
    ssize_t length = ::readlink(path, target, sizeof target);
    if (length < 0 || static_cast<size_t>(length) == sizeof target)
        return std::nullopt;
    return std::string(target, static_cast<size_t>(length));
}

std::optional<AccessTime> readAccessTime(const char* path) {
    struct statx status;
    if (::statx(AT_FDCWD, path, AT_SYMLINK_NOFOLLOW | AT_STATX_DONT_SYNC, STATX_TYPE | STATX_ATIME,
                &status) != 0 ||
        !(status.stx_mask & STATX_ATIME) || S_ISLNK(status.stx_mode))
        return std::nullopt;
    bool isDirectory = S_ISDIR(status.stx_mode);
    struct statvfs volume;
    if (::statvfs(path, &volume) == 0) {
        unsigned long frozen = ST_NOATIME | (isDirectory ? ST_NODIRATIME : 0);
        if (volume.f_flag & frozen)
            return std::nullopt;
    }
    return AccessTime{status.stx_atime.tv_sec, status.stx_atime.tv_nsec, isDirectory};
}

} // namespace tavelin::platform
