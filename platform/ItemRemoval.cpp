#include "platform/ItemRemoval.h"

#include "platform/Descriptors.h"
#include "platform/UniqueFd.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavelin::platform {
namespace {

void keepFirst(int& first, int error) {
    if (first == 0)
        first = error;
}

// Lets the user change and search the folder `name` inside `directoryFd` (the folder itself
// when `name` is empty), so that what it holds can go.
bool makeChangeable(int directoryFd, const char* name) {
    struct stat status;
    int flags = *name ? AT_SYMLINK_NOFOLLOW : AT_EMPTY_PATH;
    if (::fstatat(directoryFd, name, &status, flags) != 0 || !S_ISDIR(status.st_mode))
        return false;
    mode_t wanted = (status.st_mode & 07777) | S_IRWXU;
    return *name ? ::fchmodat(directoryFd, name, wanted, 0) == 0
                 : ::fchmod(directoryFd, wanted) == 0;
}

UniqueFd openFolder(int directoryFd, const char* name) {
    constexpr int kFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    UniqueFd fd(::openat(directoryFd, name, kFlags));
    if (!fd && errno == EACCES && makeChangeable(directoryFd, name))
        fd.reset(::openat(directoryFd, name, kFlags));
    return fd;
}

int removeContents(int folderFd, const Placement& placement);

// Removes `name` inside `folderFd`, entering it when it is a folder on `placement`'s mount.
int removeEntry(int folderFd, const char* name, const Placement& placement) {
    if (::unlinkat(folderFd, name, 0) == 0)
        return 0;
    if (errno == EACCES && makeChangeable(folderFd, "") && ::unlinkat(folderFd, name, 0) == 0)
        return 0;
    if (errno != EISDIR)
        return errno;
    UniqueFd sub = openFolder(folderFd, name);
    if (!sub)
        return errno;
    auto subPlacement = placementOf(sub.get(), "", AT_EMPTY_PATH);
    if (!subPlacement || subPlacement->mount != placement.mount)
        return EBUSY;
    int first = removeContents(sub.get(), placement);
    sub.reset();
    if (::unlinkat(folderFd, name, AT_REMOVEDIR) != 0)
        keepFirst(first, errno);
    return first;
}

int removeContents(int folderFd, const Placement& placement) {
    std::vector<std::string> names;
    int error = entryNames(folderFd, names);
    if (error == EACCES && makeChangeable(folderFd, ""))
        error = entryNames(folderFd, names);
    if (error)
        return error;
    int first = 0;
    for (const std::string& name : names)
        if (int error = removeEntry(folderFd, name.c_str(), placement))
            keepFirst(first, error);
    return first;
}

} // namespace

int removeItem(const std::string& path) {
    struct stat status;
    if (::lstat(path.c_str(), &status) != 0)
        return errno;
    if (!S_ISDIR(status.st_mode))
        return ::unlink(path.c_str()) == 0 ? 0 : errno;
    auto placement = placementOf(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW);
    auto above = placementOf(AT_FDCWD, (path + "/..").c_str(), 0);
    if (!placement || !above)
        return errno;
    if (placement->mount != above->mount)
        return EBUSY;
    UniqueFd folder = openFolder(AT_FDCWD, path.c_str());
    if (!folder)
        return errno;
    int first = removeContents(folder.get(), *placement);
    folder.reset();
    if (::rmdir(path.c_str()) != 0)
        keepFirst(first, errno);
    return first;
}

} // namespace tavelin::platform
