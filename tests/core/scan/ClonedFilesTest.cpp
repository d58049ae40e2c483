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

TEST(ClonedFiles, UniqueSizeIsWhatDeletingWouldFreeInFullUnlessBlocksAreShared) {
    test::TemporaryFolder temp;
    test::TreeBuilder plainTree(temp.path() / "plain");
    std::string plain = plainTree.file("plain", 3 * MB);
    EXPECT_EQ(TreeScanner::uniqueSize(plain, 3 * MB), 3 * MB);
    std::string link = plainTree.symlink("plain", "link");
    EXPECT_EQ(TreeScanner::uniqueSize(link, 0), 0) << "a link is examined, not followed";

    using platform::SharingFacts;
    const std::pair<std::optional<SharingFacts>, int64_t> cases[] = {
        {SharingFacts{.privateSize = MB, .mayShareBlocks = true}, MB},
        {SharingFacts{.privateSize = MB, .mayShareBlocks = false}, 8 * MB},
        {SharingFacts{.privateSize = 9 * MB, .mayShareBlocks = true}, 8 * MB},
        {std::nullopt, 8 * MB}};
    for (const auto& [facts, unique] : cases)
        EXPECT_EQ(TreeScanner::uniqueFrom(8 * MB, facts), unique);

    // Files cloned on btrfs share their blocks until one is written.
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
    // Size and unique size of each file: the first clone still shares every block too.
    std::vector<std::pair<int64_t, int64_t>> sizes;
    for (const char* name : {"original", "clone", "edited clone"}) {
        Node* file = test::childNamed(*root, name);
        ASSERT_TRUE(file) << name;
        sizes.emplace_back(file->size, file->unique);
    }
    EXPECT_EQ(sizes,
              (std::vector<std::pair<int64_t, int64_t>>{{8 * MB, 0}, {8 * MB, 0}, {8 * MB, MB}}));
    EXPECT_EQ(std::pair(root->size, root->unique), std::pair(24 * MB, MB));
    EXPECT_EQ(TreeScanner::uniqueSize(edited, 8 * MB), 1 * MB);
    EXPECT_EQ(TreeScanner::uniqueSize(tree.path("missing"), 8 * MB), std::nullopt);
    EXPECT_EQ(test::allocatedBytes(original), 8 * MB) << "scanning leaves every file in place";
    EXPECT_EQ(test::allocatedBytes(clone), 8 * MB);
}
