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
    ~DirectoryReader();
    DirectoryReader(DirectoryReader&&) = default;
    DirectoryReader& operator=(DirectoryReader&&) = default;

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
    // The same for the entries that may be folders: those the file system says are, and those
    // whose type it does not tell.
    template <typename Visit>
    bool forEachFolder(Visit visit) const;

private:
    static bool mayBeFolder(unsigned char type);
    template <typename Visit, typename Wanted>
    bool visitWhere(Visit& visit, Wanted wanted) const;

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

template <typename Visit, typename Wanted>
bool DirectoryReader::visitWhere(Visit& visit, Wanted wanted) const {
    for (size_t at = 0; at < filled_;) {
        const auto* entry = reinterpret_cast<const Entry*>(buffer_.get() + at);
        at += entry->length;
        std::string_view name(entry->name);
        if (!wanted(entry->type) || name == "." || name == "..")
            continue;
        if (!visit(name))
            return false;
    }
    return true;
}

template <typename Visit>
bool DirectoryReader::forEach(Visit visit) const {
    return visitWhere(visit, [](unsigned char) { return true; });
}

template <typename Visit>
bool DirectoryReader::forEachFolder(Visit visit) const {
    return visitWhere(visit, mayBeFolder);
}

} // namespace tavelin::platform
