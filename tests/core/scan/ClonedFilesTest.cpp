#include "scan/LinkSet.h"
#include "scan/ScanCounter.h"
#include "scan/TreeScanner.h"
#include "support/BtrfsImage.h"
#include "support/NodeLookup.h"
#include "support/TemporaryFolder.h"
#include "support/TreeBuilder.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>
#include <vector>

using namespace tavelin;

namespace {

constexpr int64_t MB = 1'048'576;

void rewriteOneMegabyte(const std::string& path) {
    std::vector<char> data(MB, 'y');
    int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::pwrite(fd, data.data(), data.size(), 2 * MB), static_cast<ssize_t>(data.size()));
    ::fsync(fd);
    ::close(fd);
}

} // namespace

TEST(ClonedFiles, UniqueSizeIsWhatDeletingWouldFree) {
    test::TemporaryFolder temp;
    test::BtrfsImage btrfs(temp.path());
    if (!btrfs.mounted())
        GTEST_SKIP() << btrfs.whyNot();
    test::TreeBuilder tree(btrfs.mountPoint() / "data");
    std::string original = tree.file("original", 8 * MB);
    std::string clone = tree.path("clone");
    std::string edited = tree.path("edited clone");
    ASSERT_EQ(test::runCommand("cp --reflink=always " + test::shellQuoted(original) + " " +
                               test::shellQuoted(clone) + " && cp --reflink=always " +
                               test::shellQuoted(original) + " " + test::shellQuoted(edited) +
                               " && sync"),
              0);
    rewriteOneMegabyte(edited);

    ScanCounter counter;
    LinkSet links;
    PathSet skip;
    auto root = TreeScanner::scan(
        tree.root().string(),
        {.counter = counter, .links = links, .skip = skip, .threshold = 1'000'000});
    ASSERT_TRUE(root);
    Node* cloned = test::childNamed(*root, "clone");
    Node* rewritten = test::childNamed(*root, "edited clone");
    Node* first = test::childNamed(*root, "original");
    ASSERT_TRUE(cloned && rewritten && first);
    EXPECT_EQ(cloned->size, 8 * MB);
    EXPECT_EQ(cloned->unique, 0) << "every block is shared with the original";
    EXPECT_EQ(first->unique, 0) << "the first clone still shares every block";
    EXPECT_EQ(rewritten->size, 8 * MB);
    EXPECT_EQ(rewritten->unique, 1 * MB);
    EXPECT_EQ(root->unique, 1 * MB);
    EXPECT_EQ(root->size, 24 * MB);

    EXPECT_EQ(TreeScanner::uniqueSize(edited, 8 * MB), 1 * MB);
    EXPECT_EQ(TreeScanner::uniqueSize(tree.path("missing"), 8 * MB), std::nullopt);
    EXPECT_EQ(test::allocatedBytes(original), 8 * MB) << "scanning leaves every file in place";
    EXPECT_EQ(test::allocatedBytes(clone), 8 * MB);
}

TEST(ClonedFiles, FilesThatShareNothingCountInFullEverywhere) {
    test::TemporaryFolder temp;
    test::TreeBuilder tree(temp.path());
    std::string plain = tree.file("plain", 3 * MB);
    EXPECT_EQ(TreeScanner::uniqueSize(plain, 3 * MB), 3 * MB);
    std::string link = tree.symlink("plain", "link");
    EXPECT_EQ(TreeScanner::uniqueSize(link, 0), 0) << "a link is examined, not followed";
}

TEST(ClonedFiles, PrivateSizeCountsOnlyWhenBlocksMayBeShared) {
    using platform::SharingFacts;
    EXPECT_EQ(
        TreeScanner::uniqueFrom(8 * MB, SharingFacts{.privateSize = MB, .mayShareBlocks = true}),
        MB);
    EXPECT_EQ(
        TreeScanner::uniqueFrom(8 * MB, SharingFacts{.privateSize = MB, .mayShareBlocks = false}),
        8 * MB);
    EXPECT_EQ(TreeScanner::uniqueFrom(8 * MB,
                                      SharingFacts{.privateSize = 9 * MB, .mayShareBlocks = true}),
              8 * MB);
    EXPECT_EQ(TreeScanner::uniqueFrom(8 * MB, std::nullopt), 8 * MB);
}
