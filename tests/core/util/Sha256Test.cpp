#include "util/Sha256.h"

#include "support/TemporaryFolder.h"

#include <fstream>
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

TEST(Sha256, FileDigestMatchesTheDigestOfItsBytesAtChunkBoundaries) {
    test::TemporaryFolder folder;
    // Empty, exactly one 1,048,576-byte chunk, one byte more, and several chunks.
    for (size_t size : {0, 1'048'576, 1'048'577, 2'500'000}) {
        std::string content(size, '\0');
        for (size_t i = 0; i < content.size(); ++i)
            content[i] = static_cast<char>(i * 31 % 251);
        auto path = (folder.path() / ("data" + std::to_string(size))).string();
        std::ofstream(path, std::ios::binary) << content;

        auto digest = sha256OfFile(path);
        ASSERT_TRUE(digest.has_value()) << size;
        EXPECT_EQ(*digest, sha256(bytesOf(content))) << size;
    }
}

TEST(Sha256, UnreadableFilesGiveNoDigest) {
    test::TemporaryFolder folder;
    EXPECT_FALSE(sha256OfFile((folder.path() / "missing").string()).has_value());
    EXPECT_FALSE(sha256OfFile(folder.string()).has_value()) << "a folder has no content digest";
}
