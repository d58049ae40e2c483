#include "util/ContentHash.h"

#include "support/TemporaryFolder.h"
#include "support/TreeBuilder.h"

#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace tavelin;

namespace {

std::string pattern(size_t size) {
    std::string content(size, '\0');
    for (size_t i = 0; i < content.size(); ++i)
        content[i] = static_cast<char>(i * 31 % 251);
    return content;
}

std::span<const uint8_t> bytesOf(std::string_view text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

std::string textOf(const std::vector<uint8_t>& bytes) {
    return {bytes.begin(), bytes.end()};
}

struct ContentHashTest : ::testing::Test {
    test::TemporaryFolder temp;
    test::TreeBuilder files{temp.path()};
};

} // namespace

TEST(Sha256, KnownDigestsWholeOrInPiecesAndNothingAfterwards) {
    EXPECT_EQ(hexString(sha256(bytesOf(""))),
              "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    Sha256Hasher hasher;
    for (const char* piece : {"a", "", "bc"})
        EXPECT_TRUE(hasher.update(bytesOf(piece)));
    auto digest = hasher.finish();
    ASSERT_TRUE(digest);
    EXPECT_EQ(hexString(*digest),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_FALSE(hasher.finish()) << "a finished digest is not taken twice";
}

TEST_F(ContentHashTest, FileDigestIsTheDigestOfItsBytesAtChunkBoundaries) {
    for (size_t size :
         {size_t{0}, ContentHash::kChunkSize, ContentHash::kChunkSize + 1, size_t{2'500'000}}) {
        std::string content = pattern(size);
        auto path = files.file("data" + std::to_string(size), content);
        EXPECT_EQ(ContentHash::sha256(path), sha256(bytesOf(content))) << size;
    }
}

TEST_F(ContentHashTest,
       OnlyReadableRegularFilesHaveDigestsOrEdgesAStopEndsHashingAndReadingKeepsAccessTimes) {
    auto path = files.file("data", pattern(3 * ContentHash::kChunkSize));
    EXPECT_FALSE(ContentHash::sha256(files.path("missing")));
    EXPECT_FALSE(ContentHash::sha256(temp.string())) << "a folder";
    EXPECT_FALSE(ContentHash::sha256(files.symlink(path, "link"))) << "a link is not followed";
    auto fifo = files.path("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    EXPECT_FALSE(ContentHash::sha256(fifo)) << "a FIFO neither blocks nor counts";
    std::vector<uint8_t> edges;
    EXPECT_FALSE(ContentHash::edges(fifo, 16, edges));
    EXPECT_FALSE(ContentHash::edges(files.path("missing"), 30, edges));

    int asked = 0;
    EXPECT_FALSE(ContentHash::sha256(path, [&] { return ++asked == 2; }));
    EXPECT_EQ(asked, 2) << "asked before each chunk, it stops at once";

    // Both ends without overlap, or the whole of a small file.
    std::string content = pattern(100);
    for (auto [edge, expected] : {std::pair{size_t{100}, content},
                                  {size_t{60}, content},
                                  {size_t{30}, content.substr(0, 30) + content.substr(70)}}) {
        ASSERT_TRUE(ContentHash::edges(files.file("short", content), edge, edges));
        EXPECT_EQ(textOf(edges), expected) << edge;
    }
    ASSERT_TRUE(ContentHash::edges(files.file("empty", ""), 30, edges));
    EXPECT_TRUE(edges.empty());

    // Reading leaves the access time alone: one older than the modification time is one every
    // read would renew.
    struct timespec times[2] = {{1'000'000'000, 0}, {0, UTIME_OMIT}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    ASSERT_TRUE(ContentHash::edges(path, 1'000, edges));
    ASSERT_TRUE(ContentHash::sha256(path));
    struct stat status;
    ASSERT_EQ(::stat(path.c_str(), &status), 0);
    EXPECT_EQ(status.st_atim.tv_sec, 1'000'000'000);
}
