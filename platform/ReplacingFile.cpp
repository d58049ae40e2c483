#include "platform/ReplacingFile.h"

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

} // namespace

ReplacingFile::ReplacingFile(fs::path file, mode_t mode)
    : file_(std::move(file))
    , temporary_(temporaryFileBeside(file_))
    , fd_(::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode)) {
    if (!fd_)
        error_ = lastError();
}

ReplacingFile::~ReplacingFile() {
    if (!error_ && !finished_)
        ::unlink(temporary_.c_str());
}

std::error_code ReplacingFile::commit() {
    if (!fd_)
        return error_ ? error_ : std::make_error_code(std::errc::bad_file_descriptor);
    std::error_code error;
    int fd = fd_.release();
    if (::fsync(fd) != 0)
        error = lastError();
    // close() can report a write-back failure of its own on network file systems.
    if (::close(fd) != 0 && !error)
        error = lastError();
    if (!error && ::rename(temporary_.c_str(), file_.c_str()) != 0)
        error = lastError();
    finished_ = true;
    if (error) {
        ::unlink(temporary_.c_str());
        return error;
    }
    // The rename itself lives in the folder: without this a crash can bring the old file back.
    fs::path folder = file_.has_parent_path() ? file_.parent_path() : fs::path(".");
    UniqueFd directory(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory)
        ::fsync(directory.get());
    return {};
}

} // namespace tavelin::platform
