#pragma once

// How much this process has had the kernel fetch from storage: the bytes its reads of files,
// folders and file facts could not find in the page cache. A scan that sees it grow is waiting
// on a disk, not on the processor.
// Thread safety: any thread.

#include <cstdint>
#include <optional>

namespace tavelin::platform {

// The bytes read from storage so far; nullopt where the kernel keeps no such count.
std::optional<int64_t> bytesReadFromStorage();

} // namespace tavelin::platform
