#pragma once

// One regular file opened to read its content: for comparing and hashing files, where a read
// must neither block on a FIFO nor follow a link that replaced the file since it was examined,
// and must not make the file look recently used (the advisor reads last-used dates from access
// times), so the file is opened without updating its access time wherever the system allows it.

#include "platform/UniqueFd.h"

#include <cstdint>
#include <optional>
#include <span>

namespace tavelin::platform {

class ContentFile {
public:
    // Nothing when the path cannot be opened, is a symbolic link, or is not a regular file.
    static std::optional<ContentFile> open(const char* path);

    // The length when it was opened.
    int64_t size() const { return size_; }

    // Tells the system the file will be read from start to end, so it reads ahead further.
    void adviseSequential() const;

    // Reads up to `buffer.size()` bytes at the current position: the count read, 0 at the end,
    // -1 on failure. Interrupted reads are retried; a short count means the end was reached.
    int64_t read(std::span<uint8_t> buffer);

    // Fills `buffer` from `offset`; false when a read fails or the file ends first.
    bool readAt(int64_t offset, std::span<uint8_t> buffer) const;

private:
    ContentFile(UniqueFd fd, int64_t size)
        : fd_(std::move(fd))
        , size_(size) {}

    UniqueFd fd_;
    int64_t size_ = 0;
};

} // namespace tavelin::platform
