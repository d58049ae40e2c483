#include "platform/AtomicFile.h"

#include "platform/Descriptors.h"
#include "platform/UniqueFd.h"

#include <cerrno>
#include <fcntl.h>
#include <random>
#include <string>
#include <unistd.h>

namespace tavelin::platform {
namespace {

namespace fs = std::filesystem;

std::error_code lastError() {
    return {errno, std::system_category()};
}

// Unique enough that two writers racing on one file never share a temporary file.
fs::path temporaryFileBeside(const fs::path& file) {
    std::random_device random;
    std::uniform_int_distribution<uint64_t> digits;
    std::string name(1, '.');
    name += file.filename().string();
    name += '.';
    name += std::to_string(digits(random));
    name += ".tmp";
    return file.parent_path() / name;
}

std::error_code writeAndSync(const fs::path& temporary, std::string_view contents) {
    int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return lastError();
    std::error_code error(writeAll(fd, contents), std::system_category());
    if (!error && ::fsync(fd) != 0)
        error = lastError();
    // close() can report a write-back failure of its own on network file systems.
    if (::close(fd) != 0 && !error)
        error = lastError();
    return error;
}

} // namespace

std::error_code replaceFile(const fs::path& file, std::string_view contents) {
    fs::path temporary = temporaryFileBeside(file);
    std::error_code error = writeAndSync(temporary, contents);
    if (!error && ::rename(temporary.c_str(), file.c_str()) != 0)
        error = lastError();
    if (error) {
        ::unlink(temporary.c_str());
        return error;
    }
    // The rename itself lives in the folder: without this a crash can bring the old file back.
    fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
    UniqueFd directory(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory)
        ::fsync(directory.get());
    return {};
}

} // namespace tavelin::platform
