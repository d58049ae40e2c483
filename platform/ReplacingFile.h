#pragma once

// A file written in pieces that replaces another whole. The pieces go to a hidden temporary file
// beside it (its name does not end like the file's, so a leftover is never read as one); only
// `commit` flushes it to the disk and renames it over the file. Until then the file is untouched,
// and a writer that is destroyed without committing removes its temporary file.

#include "platform/UniqueFd.h"

#include <filesystem>
#include <sys/types.h>
#include <system_error>

namespace tavelin::platform {

class ReplacingFile {
public:
    // Creates the temporary file with the permissions `mode` (less the umask); `error()` says
    // why when that failed. The folder must exist.
    explicit ReplacingFile(std::filesystem::path file, mode_t mode = 0666);
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // Where to write the pieces; -1 when the temporary file could not be made.
    int fd() const { return fd_.get(); }
    std::error_code error() const { return error_; }

    // Flushes the pieces to the disk, renames them over the file and flushes the folder. On
    // failure the temporary file is removed and the file is untouched.
    [[nodiscard]] std::error_code commit();

private:
    std::filesystem::path file_;
    std::filesystem::path temporary_;
    UniqueFd fd_;
    std::error_code error_;
    bool finished_ = false;
};

} // namespace tavelin::platform
