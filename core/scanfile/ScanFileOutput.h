#pragma once

// Where an export goes: an open descriptor (a file or a pipe), written in 256 KiB batches, plain
// or gzip-compressed. After the first failed write the rest is dropped, and `finish` says so.

#include <string>
#include <string_view>

namespace tavelin {

class ScanFileOutput {
public:
    static constexpr size_t kBatch = 262'144;

    // Writes to `fd`, which the caller keeps and closes.
    ScanFileOutput(int fd, bool compress);
    ~ScanFileOutput();
    ScanFileOutput(const ScanFileOutput&) = delete;
    ScanFileOutput& operator=(const ScanFileOutput&) = delete;

    void write(std::string_view bytes) {
        buffer_ += bytes;
        if (buffer_.size() >= kBatch)
            flush();
    }
    // Writes what is left and ends the compressed stream; false when any write failed, and
    // `error()` then says why ("No space left on device").
    [[nodiscard]] bool finish();
    const std::string& error() const { return error_; }

private:
    void flush();

    int fd_;
    void* gz_ = nullptr; // the zlib stream when compressing
    std::string buffer_;
    std::string error_;
};

} // namespace tavelin
