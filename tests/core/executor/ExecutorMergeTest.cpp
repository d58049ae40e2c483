#include "executor/Executor.h"
#include "support/BtrfsImage.h"
#include "support/TemporaryFolder.h"
#include "support/TmpfsMount.h"
#include "support/TreeBuilder.h"
#include "util/ContentHash.h"

#include <atomic>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <random>
#include <sstream>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <thread>
#include <unistd.h>

using namespace tavelin;
namespace fs = std::filesystem;
using Paths = std::vector<std::string>;

namespace {

constexpr int64_t MB = 1'048'576;

std::string randomBytes(size_t size, uint32_t seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(random());
    return bytes;
}

void overwrite(const std::string& path, int64_t offset, std::string_view bytes) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_EQ(::pwrite(fd, bytes.data(), bytes.size(), offset), static_cast<ssize_t>(bytes.size()));
    ::close(fd);
}

int64_t freeBytes(const fs::path& mount) {
    return std::stoll(
        test::outputOf("sync; df -B1 --output=avail " + mount.string() + " | tail -1"));
}

// Everything merging must leave as it was: inode, mode, owner, links, size, times, extended
// attributes and content.
std::string metadataOf(const std::string& path) {
    std::ostringstream out;
    out << test::outputOf("stat -c '%i %f %u:%g %h %s %.9X %.9Y %.9W' " + test::shellQuoted(path));
    char names[4096];
    ssize_t length = ::llistxattr(path.c_str(), names, sizeof names);
    for (ssize_t at = 0; at < length; at += static_cast<ssize_t>(std::strlen(names + at)) + 1) {
        char value[4096];
        ssize_t size = ::lgetxattr(path.c_str(), names + at, value, sizeof value);
        out << " " << names + at << "="
            << hexString({reinterpret_cast<uint8_t*>(value),
                          static_cast<size_t>(std::max<ssize_t>(size, 0))});
    }
    return out.str() + " " + hexString(*ContentHash::sha256(path));
}

// One btrfs image for the suite, a folder of it for each test.
class ExecutorMerge : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        temp_ = std::make_unique<test::TemporaryFolder>("tavelin-merge");
        btrfs_ = std::make_unique<test::BtrfsImage>(temp_->path(), 512 << 20);
    }
    static void TearDownTestSuite() { btrfs_.reset(), temp_.reset(); }
    void SetUp() override { TAVELIN_SKIP_UNLESS_MOUNTED(*btrfs_); }
    void TearDown() override { fs::remove_all(tree.root()); }

    static inline std::unique_ptr<test::TemporaryFolder> temp_;
    static inline std::unique_ptr<test::BtrfsImage> btrfs_;
    test::TreeBuilder tree{btrfs_->mountPoint() /
                           ::testing::UnitTest::GetInstance()->current_test_info()->name()};
    ExecutorEnvironment env = ExecutorEnvironment::live();
};

} // namespace

// A copy in another subvolume merges too: each has a device number of its own, but they share
// one file system.
TEST_F(ExecutorMerge, FreesTheCopiesSpaceAndChangesNothingElseAboutThem) {
    std::string content = randomBytes(8 * MB + 123, 1); // not a whole number of blocks
    std::string keep = tree.file("keep.raw", content);
    std::string plain = tree.file("copy one.raw", content);
    std::string dressed = tree.file("sub/copy two.raw", content);
    ASSERT_EQ(test::runCommand("btrfs subvolume create " + test::shellQuoted(tree.path("volume")) +
                               " >/dev/null"),
              0);
    std::string across = tree.file("volume/copy.raw", content);
    tree.hardLink(dressed, "other name.raw");
    ::chown(dressed.c_str(), 65534, 65534);
    ::chmod(dressed.c_str(), 0440);
    ::setxattr(dressed.c_str(), "user.note", "mine", 4, 0);
    struct timespec times[2] = {{1'600'000'000, 5}, {1'500'000'000, 7}};
    ::utimensat(AT_FDCWD, dressed.c_str(), times, 0);
    std::string plainBefore = metadataOf(plain);
    std::string dressedBefore = metadataOf(dressed);
    int64_t expected = Executor::uniqueBytes(plain) + Executor::uniqueBytes(dressed) +
                       Executor::uniqueBytes(across);
    int64_t freeBefore = freeBytes(btrfs_->mountPoint());

    ActionResult result =
        Executor::apply(AdvisorAction::mergeDuplicates(keep, {plain, dressed, across}), false, env);
    EXPECT_EQ(result.applied, (Paths{plain, dressed, across}));
    EXPECT_EQ(result.freedEstimate, expected);
    EXPECT_FALSE(result.error) << *result.error;
    EXPECT_FALSE(result.undo);
    EXPECT_GE(freeBytes(btrfs_->mountPoint()) - freeBefore, 23 * MB)
        << "three copies of 8 MiB share the kept file's blocks now";
    EXPECT_EQ(metadataOf(plain), plainBefore);
    EXPECT_EQ(metadataOf(dressed), dressedBefore);
    EXPECT_EQ(Executor::uniqueBytes(plain), 0);
    EXPECT_EQ(Executor::mergeDuplicates(keep, {plain, dressed, across}, env), ActionResult{})
        << "copies that share the data already are skipped quietly";
}

TEST_F(ExecutorMerge, LeavesCopiesThatDifferAreLockedOrAreGone) {
    std::string content = randomBytes(2 * MB, 2);
    std::string keep = tree.file("keep.bin", content);
    std::string different = content;
    different[MB] ^= 1;
    tree.file("differs", different);
    tree.file("shorter", content.substr(1));
    tree.hardLink(keep, "hard link");
    std::string locked = tree.file("locked", content);
    if (!test::setInodeFlag(locked, FS_IMMUTABLE_FL, true))
        GTEST_SKIP() << "this file system cannot make files immutable";
    std::string lockedBefore = metadataOf(locked);

    ActionResult result =
        Executor::mergeDuplicates(keep,
                                  {tree.path("differs"), tree.path("hard link"),
                                   tree.path("shorter"), locked, tree.path("gone")},
                                  env);
    test::setInodeFlag(locked, FS_IMMUTABLE_FL, false);
    EXPECT_TRUE(result.applied.empty());
    EXPECT_EQ(result.error, "“differs”, “shorter” and “gone” changed since it was checked and was "
                            "left as it is. “locked” couldn't be merged and was left as it is.");
    EXPECT_EQ(metadataOf(locked), lockedBefore);
    EXPECT_EQ(Executor::uniqueBytes(locked), 2 * MB);

    fs::remove(keep);
    EXPECT_EQ(Executor::mergeDuplicates(keep, {locked}, env).error,
              "keep.bin is no longer there, so nothing was merged.");
}

TEST_F(ExecutorMerge, ACopyChangedAfterItWasCheckedKeepsItsNewBytes) {
    std::string content = randomBytes(40 * MB, 3);
    std::string keep = tree.file("keep", content);
    std::string quiet = tree.file("edited quietly", content);
    std::string touched = tree.file("edited", content);
    std::string swapped = tree.file("swapped", content);
    env.mergeCopy = [&](const std::string& kept, const platform::FileIdentity& copy) {
        if (copy.path == quiet) {
            // Same length, same modification time: only the bytes tell, deep in the last chunk.
            overwrite(quiet, 36 * MB, "edit");
            struct timespec times[2] = {{0, UTIME_OMIT},
                                        {copy.modified.seconds, copy.modified.nanoseconds}};
            ::utimensat(AT_FDCWD, quiet.c_str(), times, 0);
        } else if (copy.path == touched) {
            overwrite(touched, 0, "edit");
        } else {
            fs::rename(tree.file("replacement", content), swapped);
        }
        return platform::dedupeInto(kept, copy);
    };
    ActionResult result = Executor::mergeDuplicates(keep, {quiet, touched, swapped}, env);
    EXPECT_TRUE(result.applied.empty());
    EXPECT_EQ(result.error, "“edited quietly”, “edited” and “swapped” changed since it was "
                            "checked and was left as it is.");
    std::string expected = content;
    expected.replace(36 * MB, 4, "edit");
    EXPECT_TRUE(test::contentOf(quiet) == expected);
    EXPECT_GT(Executor::uniqueBytes(quiet), 0) << "the chunks before the edit may share data";
    EXPECT_EQ(Executor::uniqueBytes(swapped), 40 * MB) << "the new file was never touched";
}

TEST_F(ExecutorMerge, AWriterBusyDuringTheMergeNeverLosesABytes) {
    std::string content = randomBytes(48 * MB, 4);
    std::string keep = tree.file("keep", content);
    std::string copy = tree.file("copy", content);
    std::string model = content;
    std::atomic<bool> stop = false;
    std::thread writer;
    env.mergeCopy = [&](const std::string& kept, const platform::FileIdentity& identity) {
        writer = std::thread([&] {
            int fd = ::open(copy.c_str(), O_WRONLY | O_CLOEXEC);
            std::mt19937 random(5);
            while (!stop) {
                int64_t offset = std::uniform_int_distribution<int64_t>(0, 48 * MB - 1)(random);
                char byte = static_cast<char>(random());
                if (::pwrite(fd, &byte, 1, offset) == 1)
                    model[static_cast<size_t>(offset)] = byte;
            }
            ::close(fd);
        });
        return platform::dedupeInto(kept, identity);
    };
    ActionResult result = Executor::mergeDuplicates(keep, {copy}, env);
    stop = true;
    writer.join();
    EXPECT_TRUE(result.applied.size() == 1 || result.error) << "merged or reported";
    EXPECT_TRUE(test::contentOf(copy) == model);
    EXPECT_TRUE(test::contentOf(keep) == content);
}

TEST(ExecutorMergeElsewhere, ADiskThatCannotShareDataLeavesTheCopy) {
    test::TemporaryFolder folder;
    test::TreeBuilder tree(folder.path());
    std::string keep = tree.file("keep", 300'000);
    std::string copy = tree.file("copy", 300'000);
    std::string before = metadataOf(copy);
    EXPECT_EQ(Executor::mergeDuplicates(keep, {copy}, ExecutorEnvironment::live()).error,
              "“copy” couldn't be merged and was left as it is.");
    EXPECT_EQ(metadataOf(copy), before);
}
