#include "platform/PrivateFiles.h"

#include "platform/Descriptors.h"
#include "platform/UniqueFd.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace tavelin::platform {
namespace {

namespace fs = std::filesystem;

// Gives up on a name after this many taken ones; only a folder filled on purpose gets there.
constexpr int kMostTries = 1'000;

std::error_code lastError() {
    return {errno, std::system_category()};
}

} // namespace

std::error_code makePrivateFolder(const fs::path& folder) {
    std::error_code error;
    if (folder.has_parent_path())
        fs::create_directories(folder.parent_path(), error);
    if (error)
        return error;
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return lastError();
    // O_NOFOLLOW: the checks and the mode apply to the folder itself, never to a link's target.
    UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat facts {};
    if (!fd || ::fstat(fd.get(), &facts) != 0)
        return lastError();
    if (facts.st_uid != ::geteuid())
        return std::make_error_code(std::errc::permission_denied);
    if ((facts.st_mode & 07777) != 0700 && ::fchmod(fd.get(), 0700) != 0)
        return lastError();
    return {};
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
