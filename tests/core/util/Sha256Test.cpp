#include "util/Sha256.h"

#include <gtest/gtest.h>
#include <string_view>

using namespace tavelin;

namespace {
std::span<const uint8_t> bytesOf(std::string_view text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}
} // namespace

TEST(Sha256, KnownVectors) {
    EXPECT_EQ(hexString(sha256(bytesOf(""))),
              "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(hexString(sha256(bytesOf("abc"))),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

TEST(Sha256, PiecesGiveTheDigestOfTheWholeAndNothingAfterwards) {
    Sha256Hasher hasher;
    EXPECT_TRUE(hasher.update(bytesOf("a")));
    EXPECT_TRUE(hasher.update(bytesOf("")));
    EXPECT_TRUE(hasher.update(bytesOf("bc")));
    EXPECT_EQ(hasher.finish(), sha256(bytesOf("abc")));
    EXPECT_FALSE(hasher.finish()) << "a finished digest is not taken twice";
}
