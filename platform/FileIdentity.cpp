#include "platform/FileIdentity.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace tavelin::platform {
namespace {

// statx reports these attributes with the values of the inode flags they mirror, without
// opening the file.
constexpr uint64_t kInodeFlagAttributes =
    STATX_ATTR_COMPRESSED | STATX_ATTR_IMMUTABLE | STATX_ATTR_APPEND | STATX_ATTR_NODUMP;
static_assert(STATX_ATTR_IMMUTABLE == FS_IMMUTABLE_FL && STATX_ATTR_APPEND == FS_APPEND_FL &&
              STATX_ATTR_COMPRESSED == FS_COMPR_FL && STATX_ATTR_NODUMP == FS_NODUMP_FL);

FileTime timeOf(const struct statx_timestamp& stamp) {
    return {stamp.tv_sec, stamp.tv_nsec};
}

} // namespace

std::optional<FileIdentity> FileIdentity::of(const std::string& path, SharingMounts* mounts) {
    constexpr unsigned kWanted = STATX_TYPE | STATX_INO | STATX_SIZE | STATX_BLOCKS | STATX_MTIME |
                                 STATX_BTIME | STATX_MNT_ID;
    struct statx status;
    if (::statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW | AT_STATX_DONT_SYNC, kWanted,
                &status) != 0 ||
        !S_ISREG(status.stx_mode))
        return std::nullopt;
    FileIdentity identity;
    identity.path = path;
    identity.length = static_cast<int64_t>(status.stx_size);
    identity.allocated = static_cast<int64_t>(status.stx_blocks) * 512;
    identity.device = makedev(status.stx_dev_major, status.stx_dev_minor);
    identity.inode = status.stx_ino;
    identity.linkCount = status.stx_nlink;
    identity.mount = (status.stx_mask & STATX_MNT_ID) ? status.stx_mnt_id : identity.device;
    identity.modified = timeOf(status.stx_mtime);
    identity.created =
        (status.stx_mask & STATX_BTIME) ? timeOf(status.stx_btime) : identity.modified;
    identity.flags = static_cast<uint32_t>(status.stx_attributes & status.stx_attributes_mask &
                                           kInodeFlagAttributes);
    identity.canShareExtents = mounts ? mounts->canShare(identity.mount, path.c_str())
                                      : platform::canShareExtents(path.c_str());
    if (identity.canShareExtents)
        identity.cloneID = readCloneId(path.c_str());
    return identity;
}

std::string FileIdentity::dataKey() const {
    bool cloned = cloneID != 0;
    std::string key(1, cloned ? 'c' : 'i');
    key += std::to_string(cloned ? mount : device);
    key += ':';
    key += std::to_string(cloned ? cloneID : inode);
    return key;
}

bool FileIdentity::isLocked() const {
    return flags & (FS_IMMUTABLE_FL | FS_APPEND_FL);
}

} // namespace tavelin::platform
