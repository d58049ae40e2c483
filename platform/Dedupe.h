#pragma once

// Making a file share the stored data of an identical one, where the file system can share
// extents (btrfs, XFS). The kernel locks both files and compares their bytes before it shares
// them, so a file that changed at any moment keeps its own data; the file keeps its inode,
// name, dates, owner, mode, extended attributes and hard links, and nothing is ever swapped.

#include "platform/FileIdentity.h"

#include <cstdint>
#include <string>

namespace tavelin::platform {

// Bytes asked for in one call: the most btrfs takes.
inline constexpr int64_t kDedupeChunk = 16 * 1024 * 1024;

enum class DedupeOutcome {
    shared,  // every byte of the copy now shares the kept file's data
    changed, // the copy is not the file that was checked, or its bytes differ from the kept file's
    failed,  // a file cannot be opened, or the file system cannot or will not share the data
};

// Makes the regular file `copy.path` share the data of `keep`, chunk by chunk. Before the
// first chunk the open copy must still be the file `copy` describes: same device, inode,
// length and modification time. A chunk whose bytes differ stops the work as `changed`; the
// chunks before it share data that was equal, which loses nothing.
[[nodiscard]] DedupeOutcome dedupeInto(const std::string& keep, const FileIdentity& copy);

} // namespace tavelin::platform
