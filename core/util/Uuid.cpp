#include "util/Uuid.h"

#include <array>
#include <cstdint>
#include <random>

namespace tavelin {

std::string makeUuid() {
    std::random_device random;
    std::array<uint8_t, 16> bytes;
    for (size_t i = 0; i < bytes.size(); i += 4) {
        uint32_t word = random();
        for (size_t j = 0; j < 4; ++j)
            bytes[i + j] = static_cast<uint8_t>(word >> (8 * j));
    }
    bytes[6] = (bytes[6] & 0x0F) | 0x40; // version 4
    bytes[8] = (bytes[8] & 0x3F) | 0x80; // the RFC 4122 variant
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            text += '-';
        text += kHex[bytes[i] >> 4];
        text += kHex[bytes[i] & 15];
    }
    return text;
}

} // namespace tavelin
