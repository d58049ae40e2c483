#pragma once

// Small questions about single paths: whether something is there, a small file's content, where
// a link points, and when a file was last read.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace tavelin::platform {

// Whether anything exists at the path: a file, a folder, any other entry, or a symbolic link
// (even one whose target is gone).
bool pathExists(const char* path);

// The content of a regular file, read to its end (so files whose size the system does not
// report, like those under /proc, read whole). Nothing when the path is not a regular file
// (a FIFO or device would block or never end), cannot be opened or read, or holds more than
// `limit` bytes.
std::optional<std::string> readRegularFile(const char* path, size_t limit);

// Whether the user may make entries in the folder: it is writable and on a file system mounted
// for writing.
bool canWriteInto(const char* folder);

// Where the symbolic link at the path points, as written in it; nothing when the path is no
// symbolic link or cannot be read.
std::optional<std::string> readLinkTarget(const char* path);

struct AccessTime {
    int64_t seconds = 0;
    uint32_t nanoseconds = 0;
    bool isDirectory = false;
};

// When the entry at the path was last read, from its access time. Nothing for a symbolic link
// (never opened itself), when the path cannot be examined, or when its file system is mounted
// without access times (noatime, or nodiratime for a folder), where the recorded time says
// nothing.
std::optional<AccessTime> readAccessTime(const char* path);

} // namespace tavelin::platform
