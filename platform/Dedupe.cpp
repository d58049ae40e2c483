#include "platform/Dedupe.h"

#include "platform/UniqueFd.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace tavelin::platform {
namespace {

UniqueFd openToRead(const std::string& path) {
    constexpr int kFlags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    UniqueFd fd(::open(path.c_str(), kFlags | O_NOATIME));
    if (!fd && errno == EPERM)
        fd.reset(::open(path.c_str(), kFlags));
    return fd;
}

bool isStill(int fd, const FileIdentity& expected) {
    struct statx status;
    if (::statx(fd, "", AT_EMPTY_PATH, STATX_TYPE | STATX_INO | STATX_SIZE | STATX_MTIME,
                &status) != 0)
        return false;
    return S_ISREG(status.stx_mode) &&
           makedev(status.stx_dev_major, status.stx_dev_minor) == expected.device &&
           status.stx_ino == expected.inode &&
           static_cast<int64_t>(status.stx_size) == expected.length &&
           FileTime{status.stx_mtime.tv_sec, status.stx_mtime.tv_nsec} == expected.modified;
}

int64_t lengthOf(int fd) {
    struct stat status;
    return ::fstat(fd, &status) == 0 ? static_cast<int64_t>(status.st_size) : -1;
}

} // namespace

DedupeOutcome dedupeInto(const std::string& keep, const FileIdentity& copy) {
    UniqueFd source = openToRead(keep);
    if (!source)
        return DedupeOutcome::failed;
    // Read-only is enough for the owner and for root, and leaves a read-only copy mergeable.
    UniqueFd target = openToRead(copy.path);
    if (!target)
        return errno == ENOENT || errno == ELOOP ? DedupeOutcome::changed : DedupeOutcome::failed;
    if (!isStill(target.get(), copy) || lengthOf(source.get()) != copy.length)
        return DedupeOutcome::changed;

    // The request is a header followed by one destination.
    alignas(file_dedupe_range) unsigned char
        request[sizeof(file_dedupe_range) + sizeof(file_dedupe_range_info)];
    auto* range = reinterpret_cast<file_dedupe_range*>(request);
    auto* info = reinterpret_cast<file_dedupe_range_info*>(request + sizeof(file_dedupe_range));
    for (int64_t offset = 0; offset < copy.length;) {
        std::fill(std::begin(request), std::end(request), 0);
        range->src_offset = static_cast<uint64_t>(offset);
        range->src_length = static_cast<uint64_t>(std::min(kDedupeChunk, copy.length - offset));
        range->dest_count = 1;
        info->dest_fd = target.get();
        info->dest_offset = static_cast<uint64_t>(offset);
        if (::ioctl(source.get(), FIDEDUPERANGE, range) != 0) {
            if (errno == EINTR)
                continue;
            return DedupeOutcome::failed;
        }
        if (info->status == FILE_DEDUPE_RANGE_DIFFERS)
            return DedupeOutcome::changed;
        if (info->status != FILE_DEDUPE_RANGE_SAME || info->bytes_deduped == 0)
            return DedupeOutcome::failed;
        offset += static_cast<int64_t>(info->bytes_deduped);
    }
    return DedupeOutcome::shared;
}

} // namespace tavelin::platform
