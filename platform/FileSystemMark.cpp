#include "platform/FileSystemMark.h"

#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstring>
#include <fcntl.h>
#include <sys/fanotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavelin::platform {
namespace {

constexpr size_t kBufferSize = 256 * 1024;
constexpr uint64_t kMarked =
    FAN_CREATE | FAN_DELETE | FAN_MOVED_FROM | FAN_MOVED_TO | FAN_MODIFY | FAN_ATTRIB | FAN_ONDIR;

FolderChange::Kind kindOf(uint64_t mask) {
    bool folder = mask & FAN_ONDIR;
    if (folder && (mask & (FAN_CREATE | FAN_MOVED_TO)))
        return FolderChange::Kind::folderAdded;
    if (folder && (mask & (FAN_DELETE | FAN_MOVED_FROM)))
        return FolderChange::Kind::folderRemoved;
    return FolderChange::Kind::entries;
}

} // namespace

FileSystemMark::FileSystemMark(int folderFd)
    : buffer_(std::make_unique_for_overwrite<std::byte[]>(kBufferSize)) {
    UniqueFd fd(::fanotify_init(FAN_CLASS_NOTIF | FAN_CLOEXEC | FAN_NONBLOCK | FAN_REPORT_DFID_NAME,
                                O_RDONLY | O_CLOEXEC));
    // Through ".": the folder may be open only as a place, which the kernel takes only as the
    // folder a name is looked up in. Handles are opened against a folder open for reading.
    if (!fd ||
        ::fanotify_mark(fd.get(), FAN_MARK_ADD | FAN_MARK_FILESYSTEM, kMarked, folderFd, ".") != 0)
        return;
    mount_ = UniqueFd(::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (mount_)
        fd_ = std::move(fd);
}

std::vector<FolderChange> FileSystemMark::read() {
    ssize_t got;
    do
        got = ::read(fd_.get(), buffer_.get(), kBufferSize);
    while (got < 0 && errno == EINTR);
    paths_.clear();
    names_.clear();
    std::vector<FolderChange> changes;
    if (got <= 0)
        return changes;
    // Records follow one another at 4-byte steps while the metadata holds a 64-bit mask, so
    // each part is copied out before it is read.
    auto end = static_cast<size_t>(got);
    for (size_t at = 0; at + sizeof(fanotify_event_metadata) <= end;) {
        fanotify_event_metadata event;
        std::memcpy(&event, buffer_.get() + at, sizeof event);
        if (event.vers != FANOTIFY_METADATA_VERSION || event.event_len < sizeof event ||
            event.event_len > end - at)
            break;
        const std::byte* record = buffer_.get() + at;
        at += event.event_len;
        if (event.mask & FAN_Q_OVERFLOW) {
            changes.push_back({-1, FolderChange::Kind::overflow});
            continue;
        }
        constexpr size_t handleAt = sizeof event + sizeof(fanotify_event_info_fid);
        if (event.event_len < handleAt + sizeof(file_handle))
            continue;
        fanotify_event_info_header info;
        std::memcpy(&info, record + sizeof event, sizeof info);
        if (info.info_type != FAN_EVENT_INFO_TYPE_DFID_NAME)
            continue;
        unsigned int handleBytes;
        std::memcpy(&handleBytes, record + handleAt + offsetof(file_handle, handle_bytes),
                    sizeof handleBytes);
        size_t nameAt = handleAt + sizeof(file_handle) + handleBytes;
        if (nameAt >= event.event_len)
            continue;
        const std::string* folder = pathOf(record + handleAt, handleBytes);
        if (!folder)
            continue;
        // The kernel ends the name with a zero byte within the record.
        std::string_view name(
            reinterpret_cast<const char*>(record + nameAt),
            ::strnlen(reinterpret_cast<const char*>(record + nameAt), event.event_len - nameAt));
        changes.push_back({-1, kindOf(event.mask), name, *folder});
        // A folder whose own attributes changed may have become unreadable, or readable again.
        if ((event.mask & FAN_ONDIR) && (event.mask & FAN_ATTRIB) && !name.empty()) {
            std::string& itself = names_.emplace_back(*folder);
            itself += '/';
            itself += name;
            changes.push_back({-1, FolderChange::Kind::entries, {}, itself});
        }
    }
    return changes;
}

const std::string* FileSystemMark::pathOf(const std::byte* handle, size_t handleBytes) {
    std::string key(reinterpret_cast<const char*>(handle), sizeof(file_handle) + handleBytes);
    auto found = paths_.find(key);
    if (found != paths_.end())
        return found->second.empty() ? nullptr : &found->second;
    std::string path;
    // The handle's bytes are copied: the kernel's record need not be aligned for it.
    std::vector<std::byte> copy(key.size());
    std::memcpy(copy.data(), key.data(), key.size());
    UniqueFd folder(::open_by_handle_at(mount_.get(), reinterpret_cast<file_handle*>(copy.data()),
                                        O_PATH | O_CLOEXEC));
    if (folder)
        path = platform::pathOf(folder.get());
    auto& stored = paths_.emplace(std::move(key), std::move(path)).first->second;
    return stored.empty() ? nullptr : &stored;
}

std::string pathOf(int fd) {
    char target[PATH_MAX];
    std::string link = "/proc/self/fd/" + std::to_string(fd);
    ssize_t size = ::readlink(link.c_str(), target, sizeof target);
    // A folder removed since reads as "(deleted)"; its parent's change says it went.
    if (size <= 0 || size >= static_cast<ssize_t>(sizeof target) || target[0] != '/')
        return {};
    std::string_view path(target, static_cast<size_t>(size));
    return path.ends_with(" (deleted)") ? std::string() : std::string(path);
}

bool isMountRoot(int folderFd) {
    struct statx status;
    if (::statx(folderFd, "", AT_EMPTY_PATH | AT_STATX_DONT_SYNC, STATX_BASIC_STATS, &status) != 0)
        return false;
    return (status.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) &&
           (status.stx_attributes & STATX_ATTR_MOUNT_ROOT);
}

} // namespace tavelin::platform
