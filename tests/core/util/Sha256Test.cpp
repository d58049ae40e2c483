#include "util/Sha256.h"

#include <gtest/gtest.h>
#include <string_view>

using namespace tavelin;

namespace {
std::span<const uint8_t> bytesOf(std::string_view text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}
} // namespace

TEST(Sha256, HexStringSpellsEachByteAsTwoLowerCaseDigits) {
    const uint8_t bytes[] = {0x00, 0x0f, 0xa5, 0xf0, 0xff, 0x9b};
    EXPECT_EQ(hexString(bytes), "000fa5f0ff9b");
    EXPECT_EQ(hexString({}), "");
}

TEST(Sha256, PiecesGiveTheDigestOfTheWholeAndNothingAfterwards) {
    Sha256Hasher hasher;
    EXPECT_TRUE(hasher.update(bytesOf("a")));
    EXPECT_TRUE(hasher.update(bytesOf("")));
    EXPECT_TRUE(hasher.update(bytesOf("bc")));
    EXPECT_EQ(hasher.finish(), sha256(bytesOf("abc")));
    EXPECT_FALSE(hasher.finish()) << "a finished digest is not taken twice";
}
