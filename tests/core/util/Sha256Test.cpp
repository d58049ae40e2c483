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

TEST(Sha256, KnownVectors) {
    EXPECT_EQ(hexString(sha256(bytesOf(""))),
              "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(hexString(sha256(bytesOf("abc"))),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

TEST(Sha256, FileDigestMatchesTheDigestOfItsBytesAcrossChunks) {
    test::TemporaryFolder folder;
    std::string content(2'500'000, '\0');
    for (size_t i = 0; i < content.size(); ++i)
        content[i] = static_cast<char>(i * 31 % 251);
    auto path = (folder.path() / "data.bin").string();
    std::ofstream(path, std::ios::binary) << content;

    auto digest = sha256OfFile(path);
    ASSERT_TRUE(digest.has_value());
    EXPECT_EQ(*digest, sha256(bytesOf(content)));
}

TEST(Sha256, UnreadableFilesGiveNoDigest) {
    test::TemporaryFolder folder;
    EXPECT_FALSE(sha256OfFile((folder.path() / "missing").string()).has_value());
    EXPECT_FALSE(sha256OfFile(folder.string()).has_value()) << "a folder has no content digest";
}
