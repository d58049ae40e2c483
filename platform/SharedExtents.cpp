#include "platform/SharedExtents.h"

#include "platform/FileFacts.h"
#include "platform/UniqueFd.h"

#include <algorithm>
#include <cstddef>
#include <fcntl.h>
#include <linux/fiemap.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/vfs.h>

namespace tavelin::platform {
namespace {

constexpr long kBtrfsMagic = 0x9123683E;
constexpr long kXfsMagic = 0x58465342;
constexpr long kBcachefsMagic = 0xCA451A4E;
constexpr unsigned kExtentsPerCall = 64;

constexpr size_t kMapBytes = sizeof(struct fiemap) + kExtentsPerCall * sizeof(struct fiemap_extent);

std::optional<SharingFacts> mapExtents(int fd, int64_t allocated) {
    SharingFacts facts;
    int64_t sharedBytes = 0;
    uint64_t start = 0;
    for (;;) {
        alignas(struct fiemap) std::byte buffer[kMapBytes] = {};
        auto* map = reinterpret_cast<struct fiemap*>(buffer);
        map->fm_start = start;
        map->fm_length = FIEMAP_MAX_OFFSET - start;
        map->fm_extent_count = kExtentsPerCall;
        if (::ioctl(fd, FS_IOC_FIEMAP, map) != 0)
            return std::nullopt;
        unsigned mapped = map->fm_mapped_extents;
        const struct fiemap_extent* extents = map->fm_extents;
        for (unsigned i = 0; i < mapped; ++i) {
            if (extents[i].fe_flags & FIEMAP_EXTENT_SHARED)
                sharedBytes += static_cast<int64_t>(extents[i].fe_length);
        }
        if (mapped < kExtentsPerCall || (extents[mapped - 1].fe_flags & FIEMAP_EXTENT_LAST))
            break;
        start = extents[mapped - 1].fe_logical + extents[mapped - 1].fe_length;
    }
    facts.mayShareBlocks = sharedBytes > 0;
    facts.privateSize = std::max<int64_t>(allocated - sharedBytes, 0);
    return facts;
}

bool isSharingType(const struct statfs& info) {
    auto type = static_cast<long>(info.f_type);
    return type == kBtrfsMagic || type == kXfsMagic || type == kBcachefsMagic;
}

UniqueFd openFile(int directoryFd, const char* name) {
    return UniqueFd(
        ::openat(directoryFd, name, O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
}

} // namespace

bool canShareExtents(int fd) {
    struct statfs info;
    return ::fstatfs(fd, &info) == 0 && isSharingType(info);
}

bool canShareExtents(const char* path) {
    struct statfs info;
    return ::statfs(path, &info) == 0 && isSharingType(info);
}

bool SharingMounts::canShare(uint64_t mount, const char* pathOnMount) {
    {
        std::lock_guard guard(lock_);
        if (auto known = answers_.find(mount); known != answers_.end())
            return known->second;
    }
    struct statfs info;
    if (::statfs(pathOnMount, &info) != 0)
        return false; // the path went away: another path will tell for its mount
    bool answer = isSharingType(info);
    std::lock_guard guard(lock_);
    answers_.emplace(mount, answer);
    return answer;
}

std::optional<SharingFacts> readSharingFacts(int directoryFd, const char* name, int64_t allocated) {
    UniqueFd file = openFile(directoryFd, name);
    if (!file)
        return std::nullopt;
    return mapExtents(file.get(), allocated);
}

uint64_t readCloneId(const char* path) {
    UniqueFd file = openFile(AT_FDCWD, path);
    alignas(struct fiemap)
        std::byte buffer[sizeof(struct fiemap) + sizeof(struct fiemap_extent)] = {};
    auto* map = reinterpret_cast<struct fiemap*>(buffer);
    map->fm_length = FIEMAP_MAX_OFFSET;
    map->fm_extent_count = 1;
    if (!file || ::ioctl(file.get(), FS_IOC_FIEMAP, map) != 0 || map->fm_mapped_extents == 0 ||
        !(map->fm_extents[0].fe_flags & FIEMAP_EXTENT_SHARED))
        return 0;
    return map->fm_extents[0].fe_physical;
}

PathSharing readPathSharing(const char* path, int64_t allocated) {
    FileFacts facts;
    if (readFileFacts(path, facts) != 0)
        return {};
    PathSharing result{.readable = true, .facts = std::nullopt};
    if (!facts.isRegular)
        return result;
    UniqueFd file = openFile(AT_FDCWD, path);
    if (file && canShareExtents(file.get()))
        result.facts = mapExtents(file.get(), allocated);
    return result;
}

} // namespace tavelin::platform
