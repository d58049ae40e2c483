#include "platform/Files.h"

#include "platform/Descriptors.h"
#include "support/TreeTest.h"

#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>

using namespace tavelin;
using namespace tavelin::platform;
using Files = test::TreeTest;

TEST_F(Files, PathExistsCountsEveryKindOfEntryAndAccessTimesAreReadButNotOfLinks) {
    std::string file = tree.file("a/file", 10);
    std::string link = tree.symlink("nowhere", "a/link");
    std::vector<bool> exist;
    for (const std::string& path :
         {file, link, tree.path("a"), tree.path("a/missing"), tree.path("a/file/below")})
        exist.push_back(pathExists(path.c_str()));
    EXPECT_EQ(exist, (std::vector<bool>{true, true, true, false, false}));
    EXPECT_EQ(readLinkTarget(link.c_str()), "nowhere");
    EXPECT_EQ(readLinkTarget(file.c_str()), std::nullopt) << "no link";

    // Access times, of files and folders but never of links.
    struct timespec times[2] = {{1'600'000'000, 250}, {0, UTIME_OMIT}};
    ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
    auto access = readAccessTime(file.c_str());
    ASSERT_TRUE(access) << "the test folder's file system keeps access times";
    EXPECT_EQ(std::tuple(access->seconds, access->nanoseconds, access->isDirectory),
              std::tuple(1'600'000'000, 250u, false));
    EXPECT_TRUE(readAccessTime(folder.string().c_str()).value_or(AccessTime{}).isDirectory);
    EXPECT_EQ(readAccessTime(link.c_str()), std::nullopt);
    EXPECT_EQ(readAccessTime(tree.path("missing").c_str()), std::nullopt);
}

// Where a file system cannot refuse to replace on rename, entries move by a second name, which
// is never made over anything.
TEST_F(Files, MoveByLinkMovesFilesAndLinksWithoutReplacingAndRefusesFolders) {
    std::string file = tree.file("file", "mine");
    std::string taken = tree.file("taken", "theirs");
    EXPECT_EQ(moveByLink(AT_FDCWD, file.c_str(), AT_FDCWD, taken.c_str()), EEXIST);
    EXPECT_TRUE(pathExists(file.c_str()));

    std::string moved = tree.path("moved");
    EXPECT_EQ(moveByLink(AT_FDCWD, file.c_str(), AT_FDCWD, moved.c_str()), 0);
    EXPECT_FALSE(pathExists(file.c_str()));
    EXPECT_EQ(readRegularFile(moved.c_str(), 100), "mine");
    struct stat status;
    ASSERT_EQ(::lstat(moved.c_str(), &status), 0);
    EXPECT_EQ(status.st_nlink, 1u);

    std::string link = tree.symlink("nowhere", "link");
    EXPECT_EQ(moveByLink(AT_FDCWD, link.c_str(), AT_FDCWD, tree.path("link 2").c_str()), 0);
    EXPECT_EQ(std::filesystem::read_symlink(tree.path("link 2")), "nowhere");

    std::string box = tree.folder("box");
    EXPECT_EQ(moveByLink(AT_FDCWD, box.c_str(), AT_FDCWD, tree.path("box 2").c_str()), ENOTSUP);
    EXPECT_TRUE(pathExists(box.c_str()));
    EXPECT_FALSE(pathExists(tree.path("box 2").c_str()));
}

TEST_F(Files, ReadRegularFileReadsWholeFilesUpToTheLimitAndNothingElse) {
    std::string text(100'000, 'x');
    std::ofstream(tree.path("big")) << text;
    std::ofstream(tree.path("empty"));
    ASSERT_EQ(::mkfifo(tree.path("fifo").c_str(), 0600), 0);
    tree.symlink("big", "link");

    EXPECT_EQ(readRegularFile(tree.path("big").c_str(), 100'000), text);
    EXPECT_EQ(readRegularFile(tree.path("big").c_str(), 99'999), std::nullopt);
    EXPECT_EQ(readRegularFile(tree.path("empty").c_str(), 10), "");
    EXPECT_EQ(readRegularFile(tree.path("link").c_str(), 100'000), text) << "links are followed";
    EXPECT_EQ(readRegularFile(tree.path("fifo").c_str(), 10), std::nullopt);
    EXPECT_EQ(readRegularFile(folder.string().c_str(), 10), std::nullopt);
    EXPECT_EQ(readRegularFile(tree.path("missing").c_str(), 10), std::nullopt);
    auto mounts = readRegularFile("/proc/self/mountinfo", 1 << 24);
    EXPECT_NE(mounts.value_or("").find(" / "), std::string::npos)
        << "files that report no size read to their end";
}
