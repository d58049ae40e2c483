#include "platform/PrivateFiles.h"

#include "platform/Descriptors.h"
#include "platform/UniqueFd.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tavelin::platform {
namespace {

namespace fs = std::filesystem;

// Gives up on a name after this many taken ones; only a folder filled on purpose gets there.
constexpr int kMostTries = 1'000;

std::error_code lastError() {
    return {errno, std::system_category()};
}

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

std::variant<fs::path, std::error_code> writeNewPrivateFile(const fs::path& folder,
                                                            std::string_view stem,
                                                            std::string_view extension,
                                                            std::string_view contents) {
    for (int number = 1; number <= kMostTries; ++number) {
        std::string name(stem);
        if (number > 1)
            name += "-" + std::to_string(number);
        name += extension;
        fs::path file = folder / name;
        int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0)
            return lastError();
        std::error_code error(writeAll(fd, contents), std::system_category());
        // close() can report a write-back failure of its own on network file systems.
        if (::close(fd) != 0 && !error)
            error = lastError();
        if (!error)
            return file;
        ::unlink(file.c_str());
        return error;
    }
    return std::make_error_code(std::errc::file_exists);
}

} // namespace tavelin::platform
