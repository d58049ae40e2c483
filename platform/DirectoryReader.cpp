#include "platform/DirectoryReader.h"

#include <cerrno>
#include <dirent.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace tavelin::platform {

namespace {

// The buffer of the thread's last reader, kept for its next one: a scan runs many short walks
// on each worker thread, and each would otherwise allocate and fault in its own.
thread_local std::unique_ptr<std::byte[]> spareBuffer;

} // namespace

DirectoryReader::DirectoryReader()
    : buffer_(spareBuffer ? std::move(spareBuffer)
                          : std::make_unique_for_overwrite<std::byte[]>(kBufferSize)) {}

DirectoryReader::~DirectoryReader() {
    if (buffer_ && !spareBuffer)
        spareBuffer = std::move(buffer_);
}

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
