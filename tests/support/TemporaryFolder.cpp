#include "support/TemporaryFolder.h"

#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tavelin::test {
namespace {

// Opens a folder for removal, opening it up first: tests make folders unreadable.
int openToRemove(int parentFd, const char* name) {
    ::fchmodat(parentFd, name, 0700, 0);
    return ::openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

// Removes the files of an open folder; returns the name of one sub-folder left, or "".
std::string removeFilesIn(int fd) {
    DIR* listing = ::fdopendir(::dup(fd));
    std::string subfolder;
    if (!listing)
        return subfolder;
    ::rewinddir(listing);
    while (dirent* entry = ::readdir(listing)) {
        std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        struct stat status;
        if (::fstatat(fd, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISDIR(status.st_mode))
            subfolder = name;
        else
            ::unlinkat(fd, name.c_str(), 0);
    }
    ::closedir(listing);
    return subfolder;
}

// Removes a folder and everything in it through descriptors, holding one at a time, so trees
// deeper than the path limit or the open-file limit go too.
void removeTree(const std::filesystem::path& top) {
    std::vector<std::string> names; // from the top down to the folder open now
    int fd = openToRemove(AT_FDCWD, top.c_str());
    while (fd >= 0) {
        std::string subfolder = removeFilesIn(fd);
        if (!subfolder.empty()) {
            int inner = openToRemove(fd, subfolder.c_str());
            if (inner >= 0) {
                ::close(fd);
                fd = inner;
                names.push_back(subfolder);
                continue;
            }
        }
        if (names.empty()) {
            ::close(fd);
            ::rmdir(top.c_str());
            return;
        }
        int parent = ::openat(fd, "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(fd);
        if (::unlinkat(parent, names.back().c_str(), AT_REMOVEDIR) != 0) {
            // Something a test left in place (a mount): going on would meet it again.
            ::close(parent);
            return;
        }
        names.pop_back();
        fd = parent;
    }
}

} // namespace

TemporaryFolder::TemporaryFolder(const std::string& prefix) {
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!::mkdtemp(buffer.data()))
        throw std::runtime_error("cannot create a temporary folder");
    path_ = buffer.data();
}

TemporaryFolder::~TemporaryFolder() {
    removeTree(path_);
}

} // namespace tavelin::test
