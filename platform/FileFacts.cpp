#include "platform/FileFacts.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace tavelin::platform {

int readFileFacts(int directoryFd, const char* name, FileFacts& facts) {
    constexpr unsigned kWanted = STATX_TYPE | STATX_NLINK | STATX_INO | STATX_MTIME | STATX_CTIME |
                                 STATX_SIZE | STATX_BLOCKS | STATX_MNT_ID;
    struct statx status;
    // An empty path costs the kernel an extra read of the name, so only an empty name asks for one.
    int flags = AT_SYMLINK_NOFOLLOW | AT_STATX_DONT_SYNC | (name[0] == '\0' ? AT_EMPTY_PATH : 0);
    if (::statx(directoryFd, name, flags, kWanted, &status) != 0)
        return errno;
    facts.isDirectory = S_ISDIR(status.stx_mode);
    facts.isRegular = S_ISREG(status.stx_mode);
    facts.device = makedev(status.stx_dev_major, status.stx_dev_minor);
    facts.mount = (status.stx_mask & STATX_MNT_ID) ? status.stx_mnt_id : facts.device;
    facts.inode = status.stx_ino;
    facts.linkCount = (status.stx_mask & STATX_NLINK) ? status.stx_nlink : 1;
    facts.allocated =
        (status.stx_mask & STATX_BLOCKS) ? static_cast<int64_t>(status.stx_blocks) * 512 : 0;
    facts.apparent = static_cast<int64_t>(status.stx_size);
    facts.modifiedSeconds = status.stx_mtime.tv_sec;
    facts.modifiedNanoseconds = status.stx_mtime.tv_nsec;
    facts.changedSeconds = status.stx_ctime.tv_sec;
    facts.changedNanoseconds = status.stx_ctime.tv_nsec;
    return 0;
}

int readFileFacts(const char* path, FileFacts& facts) {
    return readFileFacts(AT_FDCWD, path, facts);
}

} // namespace tavelin::platform
