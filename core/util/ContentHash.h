#pragma once

// Reading file contents to tell whether files are identical: their edges (a cheap first look
// that tells most different files apart) and the SHA-256 digest of the whole content. Both
// read with large sequential reads and leave the files' access times alone. Safe to call from
// several threads at once.

#include "util/Sha256.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tavelin::ContentHash {

inline constexpr size_t kChunkSize = 1'048'576;

// Puts into `into` (whose storage is reused call after call) the file's first `bytes` bytes
// followed by its last `bytes` bytes, the tail read from max(length − bytes, bytes) so the two
// never overlap: a file no longer than `bytes` gives its whole content. False, with `into` left
// undefined, when the path is not a readable regular file or it shrinks while read.
bool edges(const std::string& path, size_t bytes, std::vector<uint8_t>& into);

// The digest of the whole content, read in chunks of kChunkSize bytes. Nothing when the path is
// not a readable regular file, a read fails, the length changes while it is read, or `stopped`
// (asked before each chunk) answers true.
std::optional<Sha256Digest> sha256(const std::string& path,
                                   const std::function<bool()>& stopped = {});

} // namespace tavelin::ContentHash
