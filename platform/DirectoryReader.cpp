#include "platform/DirectoryReader.h"

#include <cerrno>
#include <dirent.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace tavelin::platform {

DirectoryReader::DirectoryReader()
    : buffer_(std::make_unique_for_overwrite<std::byte[]>(kBufferSize)) {}

bool DirectoryReader::next(int directoryFd) {
    for (;;) {
        long got = ::syscall(SYS_getdents64, directoryFd, buffer_.get(), kBufferSize);
        if (got < 0 && errno == EINTR)
            continue;
        filled_ = got > 0 ? static_cast<size_t>(got) : 0;
        error_ = got < 0 ? errno : 0;
        return got > 0;
    }
}

bool DirectoryReader::mayBeFolder(unsigned char type) {
    return type == DT_DIR || type == DT_UNKNOWN;
}

} // namespace tavelin::platform
