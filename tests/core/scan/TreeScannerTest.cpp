#include "scan/TreeScanner.h"

#include "scan/ExtensionTally.h"
#include "scan/LinkSet.h"
#include "scan/ScanCounter.h"
#include "support/NodeLookup.h"
#include "support/TemporaryFolder.h"
#include "support/TreeBuilder.h"

#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace tavelin;
using test::TreeBuilder;

namespace {

constexpr int64_t kThreshold = 1'000'000;

struct Scan {
    ScanCounter counter;
    LinkSet links;
    TallyBox tally;
    PathSet skip;
    bool descend = true;
    int64_t threshold = kThreshold;
    std::function<bool()> isCancelled = [] { return false; };

    Node::Ptr run(const std::string& path, std::optional<uint64_t> device = std::nullopt) {
        return TreeScanner::scan(path, counter, links, threshold, skip, descend, &tally, device,
                                 isCancelled);
    }
};

// Every folder's figures are the sum of its small files, file children and sub-folders.
void expectSumsHold(const Node& node) {
    int64_t size = node.smallFileSize, unique = node.smallFileUnique, files = node.smallFileCount;
    for (const auto& entry : node.children()) {
        if (entry->isDirectory())
            expectSumsHold(*entry);
        size += entry->size;
        unique += entry->unique;
        files += entry->fileCount;
    }
    EXPECT_EQ(node.size, size) << node.path();
    EXPECT_EQ(node.unique, unique) << node.path();
    EXPECT_EQ(node.fileCount, files) << node.path();
    for (size_t i = 1; i < node.children().size(); ++i)
        EXPECT_GE(node.children()[i - 1]->size, node.children()[i]->size) << node.path();
}

} // namespace

TEST(TreeScanner, FiguresMatchAnIndependentCountOfTheSameTree) {
    test::TemporaryFolder temp;
    TreeBuilder tree(temp.path() / "top");
    // The threshold applies to allocated bytes, which come in whole blocks.
    std::string atThreshold = tree.file("at threshold", 1'000'000);
    tree.file("one block below", 1'000'000 - 4096);
    tree.file("a/b/c/deep.bin", 3'000'000);
    tree.file("a/b/small.txt", 10);
    tree.sparseFile("a/sparse.img", 500'000'000);
    tree.file("links/original", 5'000'000);
    tree.hardLink("links/original", "a/b/second name");
    tree.symlink("/etc/passwd", "a/to passwd");
    tree.symlink("/nowhere/at/all", "a/broken");
    tree.file("odd/with \"quotes\" and spaces.TXT", 100);
    tree.file("odd/new\nline", 100);
    tree.file("odd/bad \xff\xfe utf8", 100);
    tree.folder("empty");

    Scan scan;
    scan.threshold = test::allocatedBytes(atThreshold);
    auto root = scan.run(tree.root().string());
    ASSERT_TRUE(root);
    auto expected = test::independentUsage(tree.root().string());
    EXPECT_EQ(root->size, expected.bytes);
    EXPECT_EQ(root->fileCount, expected.files);
    EXPECT_EQ(root->unique, root->size) << "ext4 shares no data between files";
    expectSumsHold(*root);

    ASSERT_TRUE(test::childNamed(*root, "at threshold"))
        << "a file of exactly the threshold has a node";
    EXPECT_FALSE(test::childNamed(*root, "one block below"));
    EXPECT_EQ(root->smallFileSize, test::allocatedBytes(tree.path("one block below")));
    Node* odd = test::childNamed(*root, "odd");
    ASSERT_TRUE(odd);
    EXPECT_EQ(odd->smallFileCount, 3);
    EXPECT_EQ(test::childNamed(*test::childNamed(*root, "a"), "sparse.img"), nullptr)
        << "a sparse file holds no blocks";

    auto snapshot = scan.counter.snapshot();
    EXPECT_EQ(snapshot.files, expected.files);
    EXPECT_EQ(snapshot.bytes, expected.bytes);
    EXPECT_EQ(snapshot.errors, 0);
    EXPECT_EQ(scan.tally.value.entries().at("txt").files, 2);
}

TEST(TreeScanner, HardLinksCountOnceEvenWhenTwoWalkersMeetThemAtOnce) {
    test::TemporaryFolder temp;
    TreeBuilder tree(temp.path());
    for (int i = 0; i < 300; ++i) {
        std::string name = "f" + std::to_string(i);
        tree.file("left/" + name, 5000);
        tree.hardLink("left/" + name, "right/" + name);
    }
    tree.file("left/big", 5'000'000);
    tree.hardLink("left/big", "right/big");

    LinkSet links;
    ScanCounter leftCounter, rightCounter;
    TallyBox leftTally, rightTally;
    PathSet skip;
    std::function<bool()> never = [] { return false; };
    Node::Ptr left, right;
    std::thread a([&] {
        left = TreeScanner::scan(tree.path("left"), leftCounter, links, kThreshold, skip, true,
                                 &leftTally, std::nullopt, never);
    });
    std::thread b([&] {
        right = TreeScanner::scan(tree.path("right"), rightCounter, links, kThreshold, skip, true,
                                  &rightTally, std::nullopt, never);
    });
    a.join();
    b.join();
    ASSERT_TRUE(left && right);
    auto expected = test::independentUsage(tree.path("left"));
    EXPECT_EQ(left->fileCount + right->fileCount, expected.files);
    EXPECT_EQ(left->size + right->size, expected.bytes);
    EXPECT_EQ((test::childNamed(*left, "big") != nullptr) +
                  (test::childNamed(*right, "big") != nullptr),
              1);
    int64_t tallied = 0;
    for (const auto* tally : {&leftTally, &rightTally})
        for (const auto& [key, entry] : tally->value.entries())
            tallied += entry.files;
    EXPECT_EQ(tallied, expected.files) << "the file skipped as a second link is not tallied";
}

TEST(TreeScanner, SkippedFoldersAreMarkedAndNotEntered) {
    test::TemporaryFolder temp;
    TreeBuilder tree(temp.path());
    tree.file("private/secret", 2'000'000);
    tree.file("public/open", 2'000'000);
    Scan scan;
    scan.skip.insert(tree.path("private"));
    auto root = scan.run(temp.string());
    ASSERT_TRUE(root);
    Node* skipped = test::childNamed(*root, "private");
    ASSERT_TRUE(skipped);
    EXPECT_TRUE(skipped->needsAccess);
    EXPECT_EQ(skipped->size, 0);
    EXPECT_TRUE(skipped->children().empty());
    EXPECT_EQ(root->fileCount, 1);
}

TEST(TreeScanner, WithoutDescendingSubFoldersStayEmptyButTopFilesCount) {
    test::TemporaryFolder temp;
    TreeBuilder tree(temp.path());
    tree.file("sub/inner", 2'000'000);
    tree.file("top-big", 2'000'000);
    tree.file("top-small", 1000);
    Scan scan;
    scan.descend = false;
    auto root = scan.run(temp.string());
    ASSERT_TRUE(root);
    Node* sub = test::childNamed(*root, "sub");
    ASSERT_TRUE(sub);
    EXPECT_EQ(sub->size, 0);
    EXPECT_EQ(sub->fileCount, 0);
    EXPECT_TRUE(sub->children().empty());
    EXPECT_EQ(root->fileCount, 2);
    EXPECT_EQ(root->size, test::allocatedBytes(tree.path("top-big")) +
                              test::allocatedBytes(tree.path("top-small")));
}

TEST(TreeScanner, CancellingTakesEffectAtThePublicationAndReturnsNothing) {
    test::TemporaryFolder temp;
    TreeBuilder tree(temp.path());
    for (int i = 0; i < 10'000; ++i)
        tree.sparseFile("many/" + std::to_string(i), 0);
    Scan scan;
    int asked = 0;
    scan.isCancelled = [&] {
        ++asked;
        return true;
    };
    EXPECT_FALSE(scan.run(temp.string()));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(scan.counter.snapshot().files, 4095)
        << "4,096 entries read: the folder and 4,095 files";
    EXPECT_EQ(scan.counter.snapshot().path, tree.path("many"));
}

TEST(TreeScanner, PathsThatAreNotFoldersGiveNothingAndForeignMountsGiveAnEmptyNode) {
    test::TemporaryFolder temp;
    TreeBuilder tree(temp.path());
    tree.file("plain", 10);
    tree.file("sub/x", 2'000'000);
    Scan scan;
    EXPECT_FALSE(scan.run(tree.path("missing")));
    EXPECT_FALSE(scan.run(tree.path("plain")));
    auto empty = scan.run(tree.path("sub"), 0xFFFF'FFFF'FFFFull);
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->size, 0);
    EXPECT_TRUE(empty->children().empty());
    EXPECT_EQ(empty->rootPath(), tree.path("sub"));
    EXPECT_EQ(empty->name, "sub");
}

TEST(TreeScanner, AMountInsideTheTreeDoesNotAppear) {
    test::TemporaryFolder temp;
    TreeBuilder tree(temp.path());
    tree.file("kept", 2'000'000);
    std::string mountPoint = tree.folder("mounted");
    if (::mount("tavelin-test", mountPoint.c_str(), "tmpfs", 0, "size=16m") != 0)
        GTEST_SKIP() << "mounting a tmpfs was refused here: " << std::strerror(errno);
    TreeBuilder(mountPoint).file("inside", 4'000'000);

    Scan scan;
    auto root = scan.run(temp.string());
    ::umount(mountPoint.c_str());
    ASSERT_TRUE(root);
    EXPECT_EQ(test::childNamed(*root, "mounted"), nullptr);
    EXPECT_EQ(root->fileCount, 1);
}

TEST(TreeScanner, UnreadableFoldersAreMarkedAndCounted) {
    test::TemporaryFolder temp;
    TreeBuilder tree(temp.path() / "tree");
    tree.file("readable/file", 2'000'000);
    std::string locked = tree.folder("locked");
    tree.file("locked/hidden", 2'000'000);
    std::filesystem::permissions(temp.path(), std::filesystem::perms::all);
    std::filesystem::permissions(locked, std::filesystem::perms::none);

    // Root reads everything, so the walk runs in a child that has given up root.
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::close(pipeFds[0]);
        if (::getuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(2);
        Scan scan;
        auto root = scan.run(tree.root().string());
        int64_t report[3] = {root ? 1 : 0, 0, scan.counter.snapshot().errors};
        if (root)
            if (Node* node = test::childNamed(*root, "locked"))
                report[1] = node->isUnreadable ? 1 : 0;
        ::_exit(::write(pipeFds[1], report, sizeof report) == sizeof report ? 0 : 3);
    }
    ::close(pipeFds[1]);
    int64_t report[3] = {};
    ssize_t got = ::read(pipeFds[0], report, sizeof report);
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    std::filesystem::permissions(locked, std::filesystem::perms::owner_all);
    if (WEXITSTATUS(status) == 2)
        GTEST_SKIP() << "could not drop root privileges to make a folder unreadable";
    ASSERT_EQ(got, static_cast<ssize_t>(sizeof report));
    EXPECT_EQ(report[0], 1) << "the walk returns a tree";
    EXPECT_EQ(report[1], 1) << "the locked folder is marked unreadable";
    EXPECT_EQ(report[2], 1) << "one error is counted";
}
