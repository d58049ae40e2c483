#include "platform/Directories.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <linux/openat2.h>
#include <mutex>
#include <string>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace tavelin::platform {
namespace {

constexpr int kPlace = O_PATH | O_DIRECTORY | O_CLOEXEC;
constexpr int kListing = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

// One component at a time, where the kernel lacks openat2 or a sandbox forbids it. Mounts are
// then left to the caller, which compares the folder's mount with the walk's.
UniqueFd openEachComponent(int baseFd, std::string_view relative, int flags) {
    UniqueFd current(::openat(baseFd, ".", kPlace));
    while (current && !relative.empty()) {
        size_t slash = relative.find('/');
        std::string name(relative.substr(0, slash));
        relative =
            slash == std::string_view::npos ? std::string_view{} : relative.substr(slash + 1);
        if (name.empty() || name == ".")
            continue;
        if (name == "..") {
            errno = EXDEV;
            return UniqueFd();
        }
        current = UniqueFd(::openat(current.get(), name.c_str(), kPlace | O_NOFOLLOW));
    }
    return current && flags != kPlace ? openListing(current.get()) : std::move(current);
}

UniqueFd openBeneath(int baseFd, std::string_view relative, int flags) {
    std::string path(relative.empty() ? std::string_view(".") : relative);
    struct open_how how {};
    how.flags = static_cast<uint64_t>(flags | O_NOFOLLOW);
    how.resolve = RESOLVE_NO_SYMLINKS | RESOLVE_NO_XDEV | RESOLVE_BENEATH;
    long fd = ::syscall(SYS_openat2, baseFd, path.c_str(), &how, sizeof how);
    if (fd < 0 && (errno == ENOSYS || errno == EPERM))
        return openEachComponent(baseFd, path, flags);
    return UniqueFd(static_cast<int>(fd));
}

} // namespace

UniqueFd openFolder(const char* path) {
    return UniqueFd(::open(path, kPlace));
}

UniqueFd openFolderBeneath(int baseFd, std::string_view relative) {
    return openBeneath(baseFd, relative, kPlace);
}

UniqueFd openListing(int folderFd) {
    return UniqueFd(::openat(folderFd, ".", kListing));
}

UniqueFd openListing(const char* path) {
    return UniqueFd(::open(path, kListing));
}

UniqueFd openListingBeneath(int baseFd, std::string_view relative) {
    return openBeneath(baseFd, relative, kListing);
}

UniqueFd openSubdirectory(int directoryFd, const char* name) {
    return UniqueFd(::openat(directoryFd, name, kListing | O_NOFOLLOW));
}

void raiseOpenFileLimitOnce() {
    static std::once_flag once;
    std::call_once(once, [] {
        constexpr rlim_t kWanted = 10'240;
        struct rlimit limit;
        if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= kWanted)
            return;
        limit.rlim_cur = std::min(kWanted, limit.rlim_max);
        ::setrlimit(RLIMIT_NOFILE, &limit);
    });
}

} // namespace tavelin::platform
