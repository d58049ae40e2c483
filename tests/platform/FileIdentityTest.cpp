#include "platform/FileIdentity.h"

#include "support/BtrfsImage.h"
#include "support/TmpfsMount.h"
#include "support/TreeTest.h"

#include <linux/fs.h>
#include <sys/stat.h>

using namespace tavelin;
using platform::FileIdentity;
using FileIdentityTest = test::TreeTest;

// Hard links share a data key; copies do not.
TEST_F(FileIdentityTest, ReadsARegularFileAndNothingElse) {
    std::string file = tree.file("a/file", "twelve bytes");
    auto identity = FileIdentity::of(file);
    ASSERT_TRUE(identity);
    struct stat status;
    ASSERT_EQ(::lstat(file.c_str(), &status), 0);
    EXPECT_EQ(std::tuple(identity->path, identity->length, identity->allocated, identity->inode,
                         identity->modified),
              std::tuple(file, 12, status.st_blocks * 512, status.st_ino,
                         platform::FileTime{status.st_mtim.tv_sec,
                                            static_cast<uint32_t>(status.st_mtim.tv_nsec)}));
    EXPECT_LE(identity->created, identity->modified);
    EXPECT_FALSE(identity->isLocked());

    EXPECT_FALSE(FileIdentity::of(tree.symlink(file, "a/link"))) << "links are never followed";
    std::string fifo = tree.path("a/fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    EXPECT_FALSE(FileIdentity::of(tree.path("a")) || FileIdentity::of(tree.path("a/missing")) ||
                 FileIdentity::of(fifo));

    auto link = FileIdentity::of(tree.hardLink("a/file", "link"));
    auto copy = FileIdentity::of(tree.file("copy", "twelve bytes"));
    ASSERT_TRUE(link && copy);
    EXPECT_EQ(identity->dataKey(), link->dataKey());
    EXPECT_NE(identity->dataKey(), copy->dataKey());

    // Immutable and append-only files are locked.
    for (int flag : {FS_IMMUTABLE_FL, FS_APPEND_FL}) {
        if (!test::setInodeFlag(file, flag, true))
            GTEST_SKIP() << "this file system or user cannot set inode flags";
        auto locked = FileIdentity::of(file);
        test::setInodeFlag(file, flag, false);
        EXPECT_TRUE(locked && locked->isLocked()) << flag;
    }
}

TEST(FileIdentityOnBtrfs, ClonesShareADataKeyOnlyWhereExtentsCanBeShared) {
    test::TemporaryFolder temp;
    test::BtrfsImage btrfs(temp.path());
    TAVELIN_SKIP_UNLESS_MOUNTED(btrfs);
    test::TreeBuilder tree(btrfs.mountPoint());
    std::string original = tree.file("original", 1'000'000);
    std::string clone = tree.path("clone");
    ASSERT_EQ(test::runCommand("cp --reflink=always " + test::shellQuoted(original) + " " +
                               test::shellQuoted(clone) + " && sync"),
              0);
    platform::SharingMounts mounts;
    auto first = FileIdentity::of(original, &mounts);
    auto second = FileIdentity::of(clone, &mounts);
    auto copy = FileIdentity::of(tree.file("copy", 1'000'000), &mounts);
    ASSERT_TRUE(first && second && copy);
    EXPECT_TRUE(first->canShareExtents && first->cloneID != 0);
    EXPECT_EQ(first->dataKey(), second->dataKey());
    EXPECT_EQ(first->dataKey().front(), 'c');
    EXPECT_NE(first->dataKey(), copy->dataKey());
    EXPECT_EQ(copy->cloneID, 0u) << "a file sharing nothing is known by its inode";

    std::string across = tree.path("volume/clone");
    ASSERT_EQ(test::runCommand("btrfs subvolume create " + test::shellQuoted(tree.path("volume")) +
                               " >/dev/null && cp --reflink=always " + test::shellQuoted(original) +
                               " " + test::shellQuoted(across) + " && sync"),
              0);
    auto inVolume = FileIdentity::of(across, &mounts);
    ASSERT_TRUE(inVolume);
    EXPECT_NE(inVolume->device, first->device) << "a subvolume has a device of its own";
    EXPECT_EQ(inVolume->dataKey(), first->dataKey()) << "yet its clones share the data";
}
