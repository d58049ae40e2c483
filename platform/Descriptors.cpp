#include "platform/Descriptors.h"

#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace tavelin::platform {

int writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        bytes.remove_prefix(static_cast<size_t>(written));
    }
    return 0;
}

int renameNoReplace(int fromFolder, const char* from, int toFolder, const char* to) {
    if (::renameat2(fromFolder, from, toFolder, to, RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL)
        return errno;
    // Some file systems cannot refuse to replace. Looking first and renaming then would replace
    // whatever arrived in between.
    return moveByLink(fromFolder, from, toFolder, to);
}

int moveByLink(int fromFolder, const char* from, int toFolder, const char* to) {
    struct stat before;
    if (::fstatat(fromFolder, from, &before, AT_SYMLINK_NOFOLLOW) != 0)
        return errno;
    if (S_ISDIR(before.st_mode))
        return ENOTSUP;
    if (::linkat(fromFolder, from, toFolder, to, 0) != 0)
        return errno;
    struct stat now;
    bool same = ::fstatat(fromFolder, from, &now, AT_SYMLINK_NOFOLLOW) == 0 &&
                now.st_dev == before.st_dev && now.st_ino == before.st_ino;
    // Something else under the old name now is not ours to remove: the entry already moved.
    if (!same || ::unlinkat(fromFolder, from, 0) == 0)
        return 0;
    int error = errno;
    ::unlinkat(toFolder, to, 0);
    return error;
}

std::optional<Placement> placementOf(int directoryFd, const char* name, int flags) {
    struct statx status;
    if (::statx(directoryFd, name, flags | AT_STATX_DONT_SYNC, STATX_TYPE | STATX_MNT_ID,
                &status) != 0)
        return std::nullopt;
    uint64_t device = makedev(status.stx_dev_major, status.stx_dev_minor);
    return Placement{device, (status.stx_mask & STATX_MNT_ID) ? status.stx_mnt_id : device};
}

int entryNames(int directoryFd, std::vector<std::string>& names) {
    // Its own open file description, so reading it moves no offset the caller relies on.
    int own = ::openat(directoryFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (own < 0)
        return errno;
    DIR* folder = ::fdopendir(own);
    if (!folder) {
        int error = errno;
        ::close(own);
        return error;
    }
    names.clear();
    int error = 0;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(folder);
        if (!entry) {
            error = errno;
            break;
        }
        std::string_view name = entry->d_name;
        if (name != "." && name != "..")
            names.emplace_back(name);
    }
    ::closedir(folder);
    return error;
}

} // namespace tavelin::platform
