#include "executor/Executor.h"
#include "support/BtrfsImage.h"
#include "support/TemporaryFolder.h"
#include "support/TreeBuilder.h"
#include "util/ContentHash.h"

#include <atomic>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/xattr.h>
#include <thread>
#include <unistd.h>

using namespace tavelin;
namespace fs = std::filesystem;

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
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::pwrite(fd, bytes.data(), bytes.size(), offset), static_cast<ssize_t>(bytes.size()));
    ::close(fd);
}

void setModified(const std::string& path, const platform::FileTime& time) {
    struct timespec times[2] = {{0, UTIME_OMIT}, {time.seconds, time.nanoseconds}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

Sha256Digest digestOf(const std::string& bytes) {
    return sha256({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()});
}

int64_t freeBytes(const fs::path& mount) {
    ::sync();
    struct statvfs figures;
    return ::statvfs(mount.c_str(), &figures) == 0
               ? static_cast<int64_t>(figures.f_bfree) * static_cast<int64_t>(figures.f_frsize)
               : -1;
}

// Everything merging must leave as it was.
struct Metadata {
    struct statx status;
    std::map<std::string, std::string> attributes;
    Sha256Digest digest;

    static Metadata of(const std::string& path) {
        Metadata metadata;
        ::statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, STATX_ALL, &metadata.status);
        char names[4096];
        ssize_t length = ::llistxattr(path.c_str(), names, sizeof names);
        for (ssize_t at = 0; at < length; at += static_cast<ssize_t>(std::strlen(names + at)) + 1) {
            char value[4096];
            ssize_t size = ::lgetxattr(path.c_str(), names + at, value, sizeof value);
            metadata.attributes[names + at] =
                std::string(value, static_cast<size_t>(std::max<ssize_t>(size, 0)));
        }
        metadata.digest = *ContentHash::sha256(path);
        return metadata;
    }

    void expectSameAs(const Metadata& before, const std::string& path) const {
        const struct statx& now = status;
        const struct statx& then = before.status;
        EXPECT_EQ(now.stx_ino, then.stx_ino) << path;
        EXPECT_EQ(now.stx_mode, then.stx_mode) << path;
        EXPECT_EQ(now.stx_uid, then.stx_uid) << path;
        EXPECT_EQ(now.stx_gid, then.stx_gid) << path;
        EXPECT_EQ(now.stx_nlink, then.stx_nlink) << path;
        EXPECT_EQ(now.stx_size, then.stx_size) << path;
        for (auto [a, b] : {std::pair{now.stx_mtime, then.stx_mtime},
                            {now.stx_atime, then.stx_atime},
                            {now.stx_btime, then.stx_btime}}) {
            EXPECT_EQ(a.tv_sec, b.tv_sec) << path;
            EXPECT_EQ(a.tv_nsec, b.tv_nsec) << path;
        }
        EXPECT_EQ(attributes, before.attributes) << path;
        EXPECT_EQ(digest, before.digest) << path;
    }
};

// An access list granting "nobody" read access, in the kernel's xattr form.
std::string readableByNobody() {
    struct Entry {
        uint16_t tag, permissions;
        uint32_t id;
    };
    const uint32_t version = 2;
    const Entry entries[] = {
        {0x01, 6, ~0u}, {0x02, 4, 65534}, {0x04, 4, ~0u}, {0x10, 4, ~0u}, {0x20, 0, ~0u}};
    std::string value(reinterpret_cast<const char*>(&version), sizeof version);
    value.append(reinterpret_cast<const char*>(entries), sizeof entries);
    return value;
}

class ExecutorMerge : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        temp_ = new test::TemporaryFolder("tavelin-merge");
        btrfs_ = new test::BtrfsImage(temp_->path(), 512 << 20);
    }
    static void TearDownTestSuite() {
        delete btrfs_;
        delete temp_;
    }
    void SetUp() override {
        if (!btrfs_->mounted())
            GTEST_SKIP() << btrfs_->whyNot();
        folder_ =
            btrfs_->mountPoint() / ::testing::UnitTest::GetInstance()->current_test_info()->name();
    }
    void TearDown() override {
        if (btrfs_->mounted())
            fs::remove_all(folder_);
    }

    fs::path folder_;
    static test::TemporaryFolder* temp_;
    static test::BtrfsImage* btrfs_;
};

test::TemporaryFolder* ExecutorMerge::temp_ = nullptr;
test::BtrfsImage* ExecutorMerge::btrfs_ = nullptr;

} // namespace

TEST_F(ExecutorMerge, FreesTheCopiesSpaceAndChangesNothingElseAboutThem) {
    test::TreeBuilder tree(folder_);
    std::string content = randomBytes(8 * MB + 123, 1); // not a whole number of blocks
    std::string keep = tree.file("keep.raw", content);
    std::string plain = tree.file("copy one.raw", content);
    std::string dressed = tree.file("sub/copy two.raw", content);
    tree.hardLink(dressed, "other name.raw");
    ::chown(dressed.c_str(), 65534, 65534);
    ::chmod(dressed.c_str(), 0440);
    ::setxattr(dressed.c_str(), "user.note", "mine", 4, 0);
    std::string acl = readableByNobody();
    ASSERT_EQ(::setxattr(dressed.c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0), 0);
    struct timespec times[2] = {{1'600'000'000, 5}, {1'500'000'000, 7}};
    ::utimensat(AT_FDCWD, dressed.c_str(), times, 0);
    Metadata plainBefore = Metadata::of(plain);
    Metadata dressedBefore = Metadata::of(dressed);
    int64_t expected = Executor::uniqueBytes(plain) + Executor::uniqueBytes(dressed);
    int64_t freeBefore = freeBytes(btrfs_->mountPoint());

    ActionResult result =
        Executor::mergeDuplicates(keep, {plain, dressed}, ExecutorEnvironment::live());
    EXPECT_EQ(result.applied, (std::vector<std::string>{plain, dressed}));
    EXPECT_EQ(result.freedEstimate, expected);
    EXPECT_FALSE(result.error) << *result.error;
    EXPECT_FALSE(result.undo);
    int64_t freed = freeBytes(btrfs_->mountPoint()) - freeBefore;
    EXPECT_GE(freed, 15 * MB) << "two copies of 8 MiB share the kept file's blocks now";
    Metadata::of(plain).expectSameAs(plainBefore, plain);
    Metadata::of(dressed).expectSameAs(dressedBefore, dressed);
    EXPECT_EQ(Executor::uniqueBytes(plain), 0);

    ActionResult again =
        Executor::mergeDuplicates(keep, {plain, dressed}, ExecutorEnvironment::live());
    EXPECT_EQ(again, ActionResult{}) << "copies that share the data already are skipped quietly";
}

// Each btrfs subvolume has a device number of its own, but they share one file system.
TEST_F(ExecutorMerge, CopiesInAnotherSubvolumeOfTheDiskMergeToo) {
    test::TreeBuilder tree(folder_);
    std::string volume = (folder_ / "volume").string();
    fs::create_directories(folder_);
    if (test::runCommand("btrfs subvolume create " + test::shellQuoted(volume) + " >/dev/null") !=
        0)
        GTEST_SKIP() << "btrfs refused to make a subvolume";
    std::string content = randomBytes(8 * MB, 6);
    std::string keep = tree.file("keep.raw", content);
    std::string copy = tree.file("volume/copy.raw", content);
    int64_t freeBefore = freeBytes(btrfs_->mountPoint());

    ActionResult result = Executor::apply(AdvisorAction::mergeDuplicates(keep, {copy}), false,
                                          ExecutorEnvironment::live());
    EXPECT_FALSE(result.error) << *result.error;
    EXPECT_EQ(result.applied, (std::vector<std::string>{copy}));
    EXPECT_GE(freeBytes(btrfs_->mountPoint()) - freeBefore, 7 * MB);
}

TEST_F(ExecutorMerge, LeavesCopiesThatDifferAreLockedOrAreGone) {
    test::TreeBuilder tree(folder_);
    std::string content = randomBytes(2 * MB, 2);
    std::string keep = tree.file("keep.bin", content);
    std::string different = content;
    different[MB] ^= 1;
    tree.file("differs", different);
    tree.file("shorter", content.substr(1));
    tree.hardLink(keep, "hard link");
    std::string locked = tree.file("locked", content);
    if (std::system(("chattr +i '" + locked + "'").c_str()) != 0)
        GTEST_SKIP() << "chattr is missing";
    Metadata lockedBefore = Metadata::of(locked);

    ActionResult result =
        Executor::mergeDuplicates(keep,
                                  {tree.path("differs"), tree.path("hard link"),
                                   tree.path("shorter"), locked, tree.path("gone")},
                                  ExecutorEnvironment::live());
    std::system(("chattr -i '" + locked + "'").c_str());
    EXPECT_TRUE(result.applied.empty());
    EXPECT_EQ(result.error, "“differs”, “shorter” and “gone” changed since it was checked and was "
                            "left as it is. “locked” couldn't be merged and was left as it is.");
    Metadata::of(locked).expectSameAs(lockedBefore, locked);
    EXPECT_EQ(Executor::uniqueBytes(locked), 2 * MB);

    fs::remove(keep);
    EXPECT_EQ(Executor::mergeDuplicates(keep, {locked}, ExecutorEnvironment::live()).error,
              "keep.bin is no longer there, so nothing was merged.");
}

TEST_F(ExecutorMerge, ACopyChangedAfterItWasCheckedKeepsItsNewBytes) {
    test::TreeBuilder tree(folder_);
    std::string content = randomBytes(40 * MB, 3);
    std::string keep = tree.file("keep", content);
    std::string quiet = tree.file("edited quietly", content);
    std::string touched = tree.file("edited", content);
    std::string swapped = tree.file("swapped", content);
    ExecutorEnvironment env = ExecutorEnvironment::live();
    env.mergeCopy = [&](const std::string& kept, const platform::FileIdentity& copy) {
        if (copy.path == quiet) {
            // Same length, same modification time: only the bytes tell, deep in the last chunk.
            overwrite(quiet, 36 * MB, "edit");
            setModified(quiet, copy.modified);
        } else if (copy.path == touched) {
            overwrite(touched, 0, "edit");
        } else {
            tree.file("replacement", content);
            fs::rename(tree.path("replacement"), swapped);
        }
        return platform::dedupeInto(kept, copy);
    };
    ActionResult result = Executor::mergeDuplicates(keep, {quiet, touched, swapped}, env);
    EXPECT_TRUE(result.applied.empty());
    EXPECT_EQ(result.error, "“edited quietly”, “edited” and “swapped” changed since it was "
                            "checked and was left as it is.");
    std::string expected = content;
    expected.replace(36 * MB, 4, "edit");
    EXPECT_EQ(ContentHash::sha256(quiet), digestOf(expected));
    EXPECT_GT(Executor::uniqueBytes(quiet), 0) << "the chunks before the edit may share data";
    EXPECT_EQ(Executor::uniqueBytes(swapped), 40 * MB) << "the new file was never touched";
}

TEST_F(ExecutorMerge, AWriterBusyDuringTheMergeNeverLosesABytes) {
    test::TreeBuilder tree(folder_);
    std::string content = randomBytes(48 * MB, 4);
    std::string keep = tree.file("keep", content);
    std::string copy = tree.file("copy", content);
    std::string model = content;
    std::atomic<bool> stop = false;
    std::thread writer;
    ExecutorEnvironment env = ExecutorEnvironment::live();
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
    EXPECT_EQ(ContentHash::sha256(copy), digestOf(model));
    EXPECT_EQ(ContentHash::sha256(keep), digestOf(content));
}

TEST(ExecutorMergeElsewhere, ADiskThatCannotShareDataLeavesTheCopy) {
    test::TemporaryFolder folder;
    test::TreeBuilder tree(folder.path());
    std::string keep = tree.file("keep", 300'000);
    std::string copy = tree.file("copy", 300'000);
    Metadata before = Metadata::of(copy);
    ActionResult result = Executor::mergeDuplicates(keep, {copy}, ExecutorEnvironment::live());
    EXPECT_EQ(result.error, "“copy” couldn't be merged and was left as it is.");
    Metadata::of(copy).expectSameAs(before, copy);
}
