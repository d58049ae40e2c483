#include "scan/TreeScanner.h"

#include "core/scan/NodeFigures.h"
#include "scan/ExtensionTally.h"
#include "scan/LinkSet.h"
#include "scan/ScanCounter.h"
#include "support/Forked.h"
#include "support/NodeLookup.h"
#include "support/TemporaryFolder.h"
#include "support/TreeBuilder.h"

#include <array>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace tavelin;
using test::ChildOutcome;
using test::inChildProcess;
using test::TreeBuilder;

namespace {

constexpr int64_t kThreshold = 1'000'000;

struct Scan {
    ScanCounter counter;
    LinkSet ownLinks;
    LinkSet* links = &ownLinks;
    TallyBox tally;
    PathSet skip;
    bool descend = true;
    int64_t threshold = kThreshold;
    std::function<bool()> isCancelled = [] { return false; };
    TreeScanner::Sharing* sharing = nullptr;

    TreeScanner::Options options(std::optional<uint64_t> mount = std::nullopt) {
        return {.counter = counter,
                .links = *links,
                .skip = skip,
                .isCancelled = isCancelled,
                .threshold = threshold,
                .descend = descend,
                .tally = &tally,
                .mount = mount,
                .sharing = sharing};
    }
    Node::Ptr run(const std::string& path, std::optional<uint64_t> mount = std::nullopt) {
        return TreeScanner::scan(path, options(mount));
    }
};

// How deep the first chain of folders under `node` goes.
int depthOf(const Node& node) {
    int depth = 0;
    for (const Node* at = &node; !at->children().empty(); at = at->children().front().get())
        ++depth;
    return depth;
}

// Which of two folders "a" and "b", made in that order, the file system lists first.
std::string firstListedOf(TreeBuilder& tree, const std::string& relative) {
    tree.folder(relative + "/a");
    tree.folder(relative + "/b");
    return std::filesystem::directory_iterator(tree.path(relative))->path().filename().string();
}

// Takes the first gift a walk offers and keeps it, as an idle worker would before walking it; it
// turns the first `refusedAsks` asks down.
struct KeepFirstGift : TreeScanner::Sharing {
    bool wanted() const override { return !gift && asks++ >= refusedAsks; }
    bool give(TreeScanner::SharedFolders& folders) override {
        if (refuse)
            return false;
        gift = std::move(folders);
        return true;
    }
    bool refuse = false;
    int refusedAsks = 0;
    mutable int asks = 0;
    std::optional<TreeScanner::SharedFolders> gift;
};

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
    // Hard links once, folders' own lengths and links' lengths count; ext4 shares no data.
    EXPECT_EQ(test::figures(*root), test::figures(expected.bytes, expected.bytes, expected.files,
                                                  test::duBytes(tree.root().string(), true)));
    EXPECT_EQ(test::sumsBreak(*root), "");
    auto snapshot = scan.counter.snapshot();
    EXPECT_EQ(std::tuple(snapshot.files, snapshot.bytes, snapshot.errors),
              std::tuple(expected.files, expected.bytes, 0));
    EXPECT_EQ(scan.tally.value.entries().at("txt").files, 2);

    ASSERT_TRUE(test::childNamed(*root, "at threshold"))
        << "a file of exactly the threshold has a node";
    EXPECT_FALSE(test::childNamed(*root, "one block below"));
    EXPECT_EQ(root->smallFileSize, test::allocatedBytes(tree.path("one block below")) +
                                       test::allocatedBytes(tree.root().string()))
        << "a folder's own blocks count with its small files";
    Node* empty = test::childNamed(*root, "empty");
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->size, test::allocatedBytes(tree.path("empty")));
    EXPECT_TRUE(empty->items().empty()) << "an empty folder shows no items";
    EXPECT_EQ(test::childNamed(*root, "odd")->smallFileCount, 3);
    Node* sparse = test::childNamed(*test::childNamed(*root, "a"), "sparse.img");
    ASSERT_TRUE(sparse) << "a file long enough has a node, to show its two sizes";
    EXPECT_EQ(std::pair(sparse->size, sparse->apparent),
              std::pair(int64_t{0}, int64_t{500'000'000}));
}

TEST(TreeScanner, AWalkGivesTheLaterHalfOfItsSubFoldersToAnIdleWorker) {
    test::TemporaryFolder temp;
    TreeBuilder tree(temp.path() / "top");
    for (int i = 0; i < 10; ++i) {
        tree.file("s" + std::to_string(i) + "/inner/big", 1'500'000);
        tree.file("s" + std::to_string(i) + "/small.txt", 100);
    }
    std::string top = tree.root().string();

    Scan refused;
    KeepFirstGift declining;
    declining.refuse = true;
    refused.sharing = &declining;
    auto whole = refused.run(top);
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->size, test::duBytes(top)) << "a refused gift is walked by the giver";

    Scan giver;
    KeepFirstGift sharing;
    giver.sharing = &sharing;
    auto root = giver.run(top);
    ASSERT_TRUE(root && sharing.gift);
    const TreeScanner::SharedFolders& gift = *sharing.gift;
    EXPECT_EQ(gift.parentPath, top);
    ASSERT_EQ(gift.folders.size(), 5u) << "the first folder is entered, then half the other nine";
    int64_t given = 0;
    for (const auto& folder : gift.folders) {
        EXPECT_EQ(folder.node->parent(), root.get());
        EXPECT_EQ(folder.node->size, test::allocatedBytes(tree.path(folder.node->name)))
            << "a given folder counts only its own blocks in the giving walk";
        given += test::duBytes(tree.path(folder.node->name)) - folder.node->size;
    }
    EXPECT_EQ(root->size + given, test::duBytes(top));
    EXPECT_EQ(test::sumsBreak(*root), "");

    // Asked again from inside the first sub-folder, the walk gives from the shallowest level
    // that has sub-folders left, and goes on with its own.
    Scan deeper;
    KeepFirstGift later;
    later.refusedAsks = 1;
    deeper.sharing = &later;
    auto kept = deeper.run(top);
    ASSERT_TRUE(kept && later.gift);
    EXPECT_EQ(std::pair(later.gift->parentPath, later.gift->folders.size()), std::pair(top, 5ul));
    int64_t laterGiven = 0;
    for (const auto& folder : later.gift->folders)
        laterGiven += test::duBytes(tree.path(folder.node->name)) - folder.node->size;
    EXPECT_EQ(kept->size + laterGiven, test::duBytes(top));
    EXPECT_EQ(test::sumsBreak(*kept), "");

    // The receiving walk measures them as the giver would have, and refuses a swapped folder.
    std::filesystem::rename(tree.path(gift.folders[0].node->name), temp.path() / "moved");
    tree.folder(gift.folders[0].node->name);
    Scan receiver;
    receiver.links = giver.links;
    auto walked = TreeScanner::scanShared(gift, receiver.options());
    ASSERT_EQ(walked.size(), 5u);
    EXPECT_FALSE(walked[0]) << "not the folder that was listed";
    EXPECT_EQ(receiver.counter.snapshot().errors, 1);
    for (size_t i = 1; i < walked.size(); ++i) {
        ASSERT_TRUE(walked[i]);
        EXPECT_EQ(walked[i]->size, test::duBytes(tree.path(gift.folders[i].node->name)));
        EXPECT_EQ(walked[i]->fileCount, 2);
        EXPECT_EQ(test::sumsBreak(*walked[i]), "");
    }
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

    Scan leftScan, rightScan;
    rightScan.links = leftScan.links;
    Node::Ptr left, right;
    std::thread a([&] { left = leftScan.run(tree.path("left")); });
    std::thread b([&] { right = rightScan.run(tree.path("right")); });
    a.join();
    b.join();
    ASSERT_TRUE(left && right);
    auto expected = test::independentUsage(tree.path("left"));
    EXPECT_EQ(left->fileCount + right->fileCount, expected.files);
    EXPECT_EQ(left->size + right->size, expected.bytes + test::allocatedBytes(tree.path("right")));
    EXPECT_EQ((test::childNamed(*left, "big") != nullptr) +
                  (test::childNamed(*right, "big") != nullptr),
              1);
    int64_t tallied = 0;
    for (const auto* tally : {&leftScan.tally, &rightScan.tally})
        for (const auto& [key, entry] : tally->value.entries())
            tallied += entry.files;
    EXPECT_EQ(tallied, expected.files) << "the file skipped as a second link is not tallied";
}

TEST(TreeScanner,
     PathsThatAreNotFoldersGiveNothingSkippedFoldersTheirBlocksMountsAreLeftOutCancelsStop) {
    test::TemporaryFolder temp;
    TreeBuilder tree(temp.path());
    tree.file("plain", 10);
    tree.file("sub/x", 2'000'000);
    tree.file("sub/private/secret", 2'000'000);
    tree.symlink(tree.path("sub"), "link");
    Scan scan;
    EXPECT_FALSE(scan.run(tree.path("missing")));
    EXPECT_FALSE(scan.run(tree.path("plain")));
    EXPECT_EQ(scan.counter.snapshot().errors, 2) << "each failure counts";
    scan.skip.insert(tree.path("link/private"));
    auto linked = scan.run(tree.path("link"));
    ASSERT_TRUE(linked) << "a folder named through a link is walked";
    EXPECT_EQ(linked->fileCount, 1);
    EXPECT_EQ(linked->name, "link");
    Node* skipped = test::childNamed(*linked, "private");
    ASSERT_TRUE(skipped);
    EXPECT_TRUE(skipped->needsAccess && skipped->children().empty());
    EXPECT_EQ(skipped->size, test::allocatedBytes(tree.path("sub/private"))) << "its own blocks";
    auto empty = scan.run(tree.path("sub"), 0xFFFF'FFFF'FFFFull);
    ASSERT_TRUE(empty);
    EXPECT_EQ(std::tuple(empty->size, empty->children().size(), *empty->rootPath(), empty->name),
              std::tuple(int64_t{0}, size_t{0}, tree.path("sub"), "sub"));

    // Cancelling takes effect at the publication, and the walk returns nothing.
    for (int i = 0; i < 10'000; ++i)
        tree.sparseFile("many/" + std::to_string(i), 0);
    Scan cancelled;
    int asked = 0;
    cancelled.isCancelled = [&] {
        ++asked;
        return true;
    };
    EXPECT_FALSE(cancelled.run(tree.path("many")));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(cancelled.counter.snapshot().files, 4096) << "4,096 entries read, all files";
    EXPECT_EQ(cancelled.counter.snapshot().path, tree.path("many"));

    // Mounts inside the tree are left out, folders and files alike.
    tree.file("m/kept", 2'000'000);
    std::string mountPoint = tree.folder("m/mounted");
    std::string boundFile = tree.file("m/bound", 0);
    std::string elsewhere = tree.file("elsewhere", 10'000'000);
    if (::mount("tavelin-test", mountPoint.c_str(), "tmpfs", 0, "size=16m") != 0)
        GTEST_SKIP() << "mounting a tmpfs was refused here: " << std::strerror(errno);
    TreeBuilder(mountPoint).file("inside", 4'000'000);
    bool bound = ::mount(elsewhere.c_str(), boundFile.c_str(), nullptr, MS_BIND, nullptr) == 0;

    auto root = scan.run(tree.path("m"));
    ::umount(mountPoint.c_str());
    if (bound)
        ::umount(boundFile.c_str());
    ASSERT_TRUE(bound) << "bind-mounting a file was refused: " << std::strerror(errno);
    ASSERT_TRUE(root);
    EXPECT_EQ(test::childNamed(*root, "mounted"), nullptr);
    EXPECT_EQ(root->fileCount, 1) << "the file bound from elsewhere is not counted";
    EXPECT_EQ(root->size,
              test::allocatedBytes(tree.path("m")) + test::allocatedBytes(tree.path("m/kept")));
}

TEST(TreeScanner, DepthCostsNoStackAndBeyondTheOpenFileLimitOnlyThatLevelIsLost) {
    test::TemporaryFolder temp;
    TreeBuilder tree(temp.path());
    constexpr int kDepth = 2'000;
    tree.chain("top", kDepth, "d");

    int64_t chainSize = test::duBytes(tree.path("top"));
    // A child with a small stack, which a walk that recursed per level would overflow, and few
    // descriptors. A chain holds few descriptors however deep it goes; a comb, whose every level
    // still has a folder to enter, holds one per level until the limit, which ends the walk
    // there: the two folders of that level are the only errors.
    std::string onward = firstListedOf(tree, "probe");
    std::string level = "comb";
    for (int i = 0; i < 100; ++i) {
        tree.folder(level + "/a");
        tree.folder(level + "/b");
        level += "/" + onward;
    }
    ChildOutcome limited = inChildProcess([&] {
        struct rlimit files {
            64, 64
        }, stack{};
        ::getrlimit(RLIMIT_STACK, &stack);
        stack.rlim_cur = 256 * 1024;
        if (::setrlimit(RLIMIT_NOFILE, &files) != 0 || ::setrlimit(RLIMIT_STACK, &stack) != 0)
            ::_exit(2);
        Scan chain, comb;
        auto chainRoot = chain.run(tree.path("top"));
        auto combRoot = comb.run(tree.path("comb"));
        bool chainWhole =
            chainRoot && chain.counter.snapshot().errors == 0 && chainRoot->size == chainSize;
        return std::array<int64_t, 3>{chainWhole ? depthOf(*chainRoot) : -1,
                                      combRoot ? depthOf(*combRoot) : -1,
                                      comb.counter.snapshot().errors};
    });
    ASSERT_EQ(limited.status, 0);
    EXPECT_EQ(limited.report[0], kDepth) << "a chain needs no stack nor descriptor per level";
    EXPECT_TRUE(limited.report[1] >= 0 && limited.report[1] < 64) << "a tree, cut at the limit";
    EXPECT_EQ(limited.report[2], 2) << "only the level that could not be opened is lost";
}
