#include "platform/ItemCopy.h"

#include "platform/Descriptors.h"
#include "platform/UniqueFd.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace tavelin::platform {
namespace {

constexpr size_t kChunk = 8 * 1024 * 1024;

struct Source {
    struct statx status;
    uint64_t mount = 0;
};

int readSource(int folderFd, const char* name, Source& source) {
    if (::statx(folderFd, name, AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS | STATX_MNT_ID,
                &source.status) != 0)
        return errno;
    source.mount = (source.status.stx_mask & STATX_MNT_ID)
                       ? source.status.stx_mnt_id
                       : makedev(source.status.stx_dev_major, source.status.stx_dev_minor);
    return 0;
}

// Opens without touching the access time where the user may ask for that (owner or root).
UniqueFd openToRead(int folderFd, const char* name, int flags) {
    flags |= O_RDONLY | O_NOFOLLOW | O_CLOEXEC;
    UniqueFd fd(::openat(folderFd, name, flags | O_NOATIME));
    if (!fd && errno == EPERM)
        fd.reset(::openat(folderFd, name, flags));
    return fd;
}

int copyByReading(int in, int out) {
    auto buffer = std::make_unique_for_overwrite<char[]>(kChunk);
    for (;;) {
        ssize_t count = ::read(in, buffer.get(), kChunk);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return errno;
        if (count == 0)
            return 0;
        if (int error = writeAll(out, {buffer.get(), static_cast<size_t>(count)}))
            return error;
    }
}

// copy_file_range shares or copies inside the kernel; where it cannot (across file systems of
// different kinds, or files that report no length) the rest is read and written.
int copyData(int in, int out) {
    for (;;) {
        ssize_t count = ::copy_file_range(in, nullptr, out, nullptr, kChunk, 0);
        if (count > 0 || (count < 0 && errno == EINTR))
            continue;
        if (count == 0 || errno == EXDEV || errno == EINVAL || errno == ENOSYS ||
            errno == EOPNOTSUPP)
            return copyByReading(in, out); // at the end this reads nothing
        return errno;
    }
}

void copyExtendedAttributes(int in, int out) {
    ssize_t size = ::flistxattr(in, nullptr, 0);
    if (size <= 0)
        return;
    std::vector<char> names(static_cast<size_t>(size));
    size = ::flistxattr(in, names.data(), names.size());
    std::vector<char> value;
    for (ssize_t at = 0; at < size; at += static_cast<ssize_t>(std::strlen(&names[at])) + 1) {
        const char* name = &names[at];
        ssize_t length = ::fgetxattr(in, name, nullptr, 0);
        if (length < 0)
            continue;
        value.resize(static_cast<size_t>(length));
        length = ::fgetxattr(in, name, value.data(), value.size());
        // A destination without extended attributes, or one the user may not set, keeps
        // what it can: the content is what the copy is verified by.
        if (length >= 0)
            ::fsetxattr(out, name, value.data(), static_cast<size_t>(length), 0);
    }
}

// Owner, mode, extended attributes and times, in that order: a change of owner clears the
// set-id bits, an ACL adjusts the mode, and every change but the times moves nothing but the
// change time.
void copyMetadata(const Source& source, int in, int out) {
    const struct statx& status = source.status;
    ::fchown(out, status.stx_uid, status.stx_gid);
    ::fchmod(out, status.stx_mode & 07777);
    copyExtendedAttributes(in, out);
    struct timespec times[2] = {{status.stx_atime.tv_sec, status.stx_atime.tv_nsec},
                                {status.stx_mtime.tv_sec, status.stx_mtime.tv_nsec}};
    ::futimens(out, times);
}

int copyFile(const Source& source, int fromFolder, const char* fromName, int toFolder,
             const char* toName) {
    UniqueFd in = openToRead(fromFolder, fromName, 0);
    if (!in)
        return errno;
    UniqueFd out(
        ::openat(toFolder, toName, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!out)
        return errno;
    if (int error = copyData(in.get(), out.get()))
        return error;
    if (::fdatasync(out.get()) != 0)
        return errno;
    copyMetadata(source, in.get(), out.get());
    ::posix_fadvise(out.get(), 0, 0, POSIX_FADV_DONTNEED);
    return 0;
}

int copyEntry(int fromFolder, const char* fromName, int toFolder, const char* toName,
              uint64_t mount);

int copyFolder(const Source& source, int fromFolder, const char* fromName, int toFolder,
               const char* toName) {
    UniqueFd in = openToRead(fromFolder, fromName, O_DIRECTORY);
    if (!in)
        return errno;
    if (::mkdirat(toFolder, toName, 0700) != 0)
        return errno;
    UniqueFd out(::openat(toFolder, toName, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!out)
        return errno;
    std::vector<std::string> names;
    if (int error = entryNames(in.get(), names))
        return error;
    for (const std::string& name : names)
        if (int error = copyEntry(in.get(), name.c_str(), out.get(), name.c_str(), source.mount))
            return error;
    copyMetadata(source, in.get(), out.get());
    return 0;
}

int copyLink(const Source& source, int fromFolder, const char* fromName, int toFolder,
             const char* toName) {
    std::vector<char> target(static_cast<size_t>(source.status.stx_size) + 1);
    ssize_t length = ::readlinkat(fromFolder, fromName, target.data(), target.size());
    if (length < 0)
        return errno;
    if (static_cast<size_t>(length) >= target.size())
        return EAGAIN; // the link changed while it was read
    target[static_cast<size_t>(length)] = '\0';
    if (::symlinkat(target.data(), toFolder, toName) != 0)
        return errno;
    const struct statx& status = source.status;
    ::fchownat(toFolder, toName, status.stx_uid, status.stx_gid, AT_SYMLINK_NOFOLLOW);
    struct timespec times[2] = {{status.stx_atime.tv_sec, status.stx_atime.tv_nsec},
                                {status.stx_mtime.tv_sec, status.stx_mtime.tv_nsec}};
    ::utimensat(toFolder, toName, times, AT_SYMLINK_NOFOLLOW);
    return 0;
}

int copySpecial(const Source& source, int toFolder, const char* toName) {
    const struct statx& status = source.status;
    if (::mknodat(toFolder, toName, status.stx_mode,
                  makedev(status.stx_rdev_major, status.stx_rdev_minor)) != 0)
        return errno;
    ::fchownat(toFolder, toName, status.stx_uid, status.stx_gid, AT_SYMLINK_NOFOLLOW);
    ::fchmodat(toFolder, toName, status.stx_mode & 07777, 0);
    struct timespec times[2] = {{status.stx_atime.tv_sec, status.stx_atime.tv_nsec},
                                {status.stx_mtime.tv_sec, status.stx_mtime.tv_nsec}};
    ::utimensat(toFolder, toName, times, AT_SYMLINK_NOFOLLOW);
    return 0;
}

int copyEntry(int fromFolder, const char* fromName, int toFolder, const char* toName,
              uint64_t mount) {
    Source source;
    if (int error = readSource(fromFolder, fromName, source))
        return error;
    switch (source.status.stx_mode & S_IFMT) {
    case S_IFREG:
        return copyFile(source, fromFolder, fromName, toFolder, toName);
    case S_IFDIR:
        if (source.mount != mount)
            return EXDEV;
        return copyFolder(source, fromFolder, fromName, toFolder, toName);
    case S_IFLNK:
        return copyLink(source, fromFolder, fromName, toFolder, toName);
    default:
        return copySpecial(source, toFolder, toName);
    }
}

} // namespace

int copyItem(const std::string& from, const std::string& to) {
    Source source;
    if (int error = readSource(AT_FDCWD, from.c_str(), source))
        return error;
    if (int error = copyEntry(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), source.mount))
        return error;
    // The files' data is on the disk already; this writes the folders and metadata as well.
    std::string folder = to.substr(0, to.rfind('/') + 1);
    UniqueFd copy(
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!copy || ::syncfs(copy.get()) != 0)
        return errno;
    return 0;
}

} // namespace tavelin::platform
