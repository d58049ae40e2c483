#include "platform/Directories.h"

#include <algorithm>
#include <fcntl.h>
#include <mutex>
#include <sys/resource.h>

namespace tavelin::platform {

UniqueFd openDirectory(const char* path) {
    return UniqueFd(::open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

UniqueFd openSubdirectory(int directoryFd, const char* name) {
    return UniqueFd(::openat(directoryFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
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
