#include "platform/FileIdentity.h"

#include "support/BtrfsImage.h"
#include "support/TemporaryFolder.h"
#include "support/TmpfsMount.h"
#include "support/TreeBuilder.h"

#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/stat.h>

using namespace tavelin;
using platform::FileIdentity;

TEST(FileIdentity, ReadsARegularFileAndNothingElse) {
    test::TemporaryFolder folder;
    test::TreeBuilder tree(folder.path());
    std::string file = tree.file("a/file", "twelve bytes");
    auto identity = FileIdentity::of(file);
    ASSERT_TRUE(identity);
    struct stat status;
    ASSERT_EQ(::lstat(file.c_str(), &status), 0);
    EXPECT_EQ(identity->path, file);
    EXPECT_EQ(identity->length, 12);
    EXPECT_EQ(identity->allocated, status.st_blocks * 512);
    EXPECT_EQ(identity->inode, status.st_ino);
    EXPECT_EQ(
        identity->modified,
        (platform::FileTime{status.st_mtim.tv_sec, static_cast<uint32_t>(status.st_mtim.tv_nsec)}));
    EXPECT_LE(identity->created, identity->modified);
    EXPECT_FALSE(identity->isLocked());

    EXPECT_FALSE(FileIdentity::of(tree.symlink(file, "a/link"))) << "links are never followed";
    EXPECT_FALSE(FileIdentity::of(tree.path("a")));
    EXPECT_FALSE(FileIdentity::of(tree.path("a/missing")));
    std::string fifo = tree.path("a/fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    EXPECT_FALSE(FileIdentity::of(fifo));
}

TEST(FileIdentity, HardLinksShareADataKeyAndCopiesDoNot) {
    test::TemporaryFolder folder;
    test::TreeBuilder tree(folder.path());
    std::string file = tree.file("file", "same");
    auto original = FileIdentity::of(file);
    auto link = FileIdentity::of(tree.hardLink("file", "link"));
    auto copy = FileIdentity::of(tree.file("copy", "same"));
    ASSERT_TRUE(original && link && copy);
    EXPECT_EQ(original->dataKey(), link->dataKey());
    EXPECT_NE(original->dataKey(), copy->dataKey());
}

TEST(FileIdentity, ImmutableAndAppendOnlyFilesAreLocked) {
    test::TemporaryFolder folder;
    std::string file = test::TreeBuilder(folder.path()).file("locked", "data");
    for (int flag : {FS_IMMUTABLE_FL, FS_APPEND_FL}) {
        if (!test::setInodeFlag(file, flag, true))
            GTEST_SKIP() << "this file system or user cannot set inode flags";
        auto identity = FileIdentity::of(file);
        test::setInodeFlag(file, flag, false);
        EXPECT_TRUE(identity && identity->isLocked()) << flag;
    }
}

TEST(FileIdentity, ClonesShareADataKeyOnlyWhereExtentsCanBeShared) {
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
    EXPECT_TRUE(first->canShareExtents);
    EXPECT_NE(first->cloneID, 0u);
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
