#pragma once

// Reads directory entries in bulk with getdents64 into one 256 KiB buffer, allocated once per
// reader, so that a folder of tens of thousands of entries costs a handful of system calls.
// One reader per walker; not shared between threads.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

namespace tavelin::platform {

class DirectoryReader {
public:
    static constexpr size_t kBufferSize = 262'144;

    DirectoryReader();

    // Reads the next batch from an open directory. Returns true with entries to visit, false at
    // the end of the listing or on failure; `error()` then tells which (0 at the end).
    // Interrupted reads are retried.
    bool next(int directoryFd);
    int error() const { return error_; }

    // Calls `visit(name)` for each entry of the batch but "." and ".."; `name` is NUL-terminated
    // inside the buffer, so it can go straight to a system call. Stops early when `visit` returns
    // false; returns whether it went through the whole batch.
    template <typename Visit>
    bool forEach(Visit visit) const;

private:
    struct Entry {
        uint64_t inode;
        int64_t offset;
        unsigned short length;
        unsigned char type;
        char name[1];
    };

    std::unique_ptr<std::byte[]> buffer_;
    size_t filled_ = 0;
    int error_ = 0;
};

template <typename Visit>
bool DirectoryReader::forEach(Visit visit) const {
    for (size_t at = 0; at < filled_;) {
        const auto* entry = reinterpret_cast<const Entry*>(buffer_.get() + at);
        at += entry->length;
        std::string_view name(entry->name);
        if (name == "." || name == "..")
            continue;
        if (!visit(name))
            return false;
    }
    return true;
}

} // namespace tavelin::platform
