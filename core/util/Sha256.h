#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace tavelin {

using Sha256Digest = std::array<uint8_t, 32>;

Sha256Digest sha256(std::span<const uint8_t> bytes);

// The digest of a file's content, read in 1,048,576-byte chunks; nothing when the file cannot
// be opened or a read fails part-way.
std::optional<Sha256Digest> sha256OfFile(const std::string& path);

// Lower-case hexadecimal, two digits per byte.
std::string hexString(std::span<const uint8_t> bytes);

} // namespace tavelin
