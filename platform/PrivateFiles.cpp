#include "platform/PrivateFiles.h"

#include "platform/Descriptors.h"
#include "platform/UniqueFd.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tavelin::platform {
namespace {

constexpr mode_t kOthers = S_IRWXG | S_IRWXO;

std::string parentOf(const std::string& path) {
    size_t slash = path.find_last_not_of('/');
    slash = slash == std::string::npos ? 0 : path.rfind('/', slash);
    return slash == 0 || slash == std::string::npos ? "/" : path.substr(0, slash);
}

// The entries of an open folder that belong to the user lose their group and other permissions;
// folders are opened without following links and tightened in turn.
void tighten(int folder) {
    std::vector<std::string> names;
    if (entryNames(folder, names) != 0)
        return;
    for (const std::string& name : names) {
        struct stat status;
        if (::fstatat(folder, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0 ||
            status.st_uid != ::geteuid())
            continue;
        if (S_ISDIR(status.st_mode)) {
            UniqueFd inner(
                ::openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (!inner)
                continue;
            if (status.st_mode & kOthers)
                ::fchmod(inner.get(), status.st_mode & 07700);
            tighten(inner.get());
        } else if (S_ISREG(status.st_mode) && (status.st_mode & kOthers)) {
            ::fchmodat(folder, name.c_str(), status.st_mode & 07700, 0);
        }
    }
}

} // namespace

int makeMissingFolders(const std::string& path) {
    if (::mkdir(path.c_str(), 0700) == 0 || errno == EEXIST)
        return 0;
    if (errno != ENOENT || path == "/")
        return errno;
    if (int error = makeMissingFolders(parentOf(path)))
        return error;
    return ::mkdir(path.c_str(), 0700) == 0 || errno == EEXIST ? 0 : errno;
}

std::error_code makePrivateFolder(const std::filesystem::path& folder) {
    if (int error = makeMissingFolders(folder.string()))
        return {error, std::system_category()};
    // O_NOFOLLOW: the checks and the mode apply to the folder itself, never to a link's target.
    UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat status;
    if (!fd || ::fstat(fd.get(), &status) != 0)
        return {errno, std::system_category()};
    if (status.st_uid != ::geteuid())
        return std::make_error_code(std::errc::permission_denied);
    if ((status.st_mode & 07777) != 0700 && ::fchmod(fd.get(), 0700) != 0)
        return {errno, std::system_category()};
    return {};
}

void makeTreePrivate(const std::filesystem::path& folder) {
    UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat status;
    if (!fd || ::fstat(fd.get(), &status) != 0 || status.st_uid != ::geteuid())
        return;
    if (status.st_mode & kOthers)
        ::fchmod(fd.get(), status.st_mode & 07700);
    tighten(fd.get());
}

} // namespace tavelin::platform
