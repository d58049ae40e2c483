#include "scanfile/ScanFileOutput.h"

#include "platform/Descriptors.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

namespace tavelin {
namespace {

gzFile stream(void* gz) {
    return static_cast<gzFile>(gz);
}

std::string compressionError(gzFile file) {
    int code = Z_OK;
    const char* text = ::gzerror(file, &code);
    return code == Z_ERRNO ? std::strerror(errno) : text;
}

} // namespace

ScanFileOutput::ScanFileOutput(int fd, bool compress)
    : fd_(fd) {
    buffer_.reserve(kBatch + 4096);
    if (!compress)
        return;
    int own = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    gz_ = own < 0 ? nullptr : ::gzdopen(own, "wb6");
    if (!gz_) {
        error_ = std::strerror(own < 0 ? errno : ENOMEM);
        if (own >= 0)
            ::close(own);
    }
}

ScanFileOutput::~ScanFileOutput() {
    if (gz_)
        ::gzclose(stream(gz_));
}

void ScanFileOutput::flush() {
    if (error_.empty() && !buffer_.empty()) {
        if (gz_) {
            if (::gzwrite(stream(gz_), buffer_.data(), static_cast<unsigned>(buffer_.size())) == 0)
                error_ = compressionError(stream(gz_));
        } else if (int error = platform::writeAll(fd_, buffer_)) {
            error_ = std::strerror(error);
        }
    }
    buffer_.clear();
}

bool ScanFileOutput::finish() {
    flush();
    if (gz_) {
        int result = ::gzclose(stream(gz_));
        gz_ = nullptr;
        if (result != Z_OK && error_.empty())
            error_ = result == Z_ERRNO ? std::strerror(errno) : "the compressor failed";
    }
    return error_.empty();
}

} // namespace tavelin
