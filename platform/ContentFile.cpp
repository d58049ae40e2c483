#include "platform/ContentFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavelin::platform {
namespace {

constexpr int kFlags = O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY;

UniqueFd openWithoutAccessTime(const char* path) {
    // O_NOATIME is refused (EPERM) on files of other owners unless the process may override
    // ownership; then the file is read like any other.
    UniqueFd fd(::open(path, kFlags | O_NOATIME));
    if (!fd && errno == EPERM)
        fd.reset(::open(path, kFlags));
    return fd;
}

} // namespace

std::optional<ContentFile> ContentFile::open(const char* path) {
    UniqueFd fd = openWithoutAccessTime(path);
    struct stat status;
    if (!fd || ::fstat(fd.get(), &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    return ContentFile(std::move(fd), status.st_size);
}

void ContentFile::adviseSequential() const {
    ::posix_fadvise(fd_.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
}

int64_t ContentFile::read(std::span<uint8_t> buffer) {
    size_t filled = 0;
    while (filled < buffer.size()) {
        ssize_t count = ::read(fd_.get(), buffer.data() + filled, buffer.size() - filled);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return -1;
        if (count == 0)
            break;
        filled += static_cast<size_t>(count);
    }
    return static_cast<int64_t>(filled);
}

bool ContentFile::readAt(int64_t offset, std::span<uint8_t> buffer) const {
    size_t filled = 0;
    while (filled < buffer.size()) {
        ssize_t count = ::pread(fd_.get(), buffer.data() + filled, buffer.size() - filled,
                                offset + static_cast<off_t>(filled));
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return false;
        filled += static_cast<size_t>(count);
    }
    return true;
}

} // namespace tavelin::platform
