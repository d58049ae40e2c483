#include "platform/ItemCopy.h"

#include "platform/ItemRemoval.h"
#include "support/Forked.h"
#include "support/TmpfsMount.h"
#include "support/TreeTest.h"

#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace tavelin;
using namespace tavelin::platform;
namespace fs = std::filesystem;
using test::contentOf;

namespace {

using ItemCopy = test::TreeTest;
using ItemRemoval = test::TreeTest;

// What a copy keeps of an entry: its type and mode (in octal), owner, and modification and
// access times.
std::string facts(const std::string& path) {
    struct stat status {};
    ::lstat(path.c_str(), &status);
    std::ostringstream out;
    out.imbue(std::locale::classic());
    out << std::oct << status.st_mode << std::dec << " " << status.st_uid << " "
        << status.st_mtim.tv_sec << "." << status.st_mtim.tv_nsec << " " << status.st_atim.tv_sec;
    return out.str();
}

} // namespace

TEST_F(ItemCopy, CopiesATreeWithItsMetadataOntoAnotherDisk) {
    test::TmpfsMount disk(folder.path() / "disk", 16 << 20);
    TAVELIN_SKIP_UNLESS_MOUNTED(disk);
    std::string file = tree.file("tree/file", 3'000'000);
    tree.file("tree/empty", "");
    tree.file("tree/odd\nname \xFF", "odd");
    tree.symlink("file", "tree/link");
    tree.symlink("/nowhere", "tree/dangling");
    tree.hardLink(file, "tree/second name");
    ASSERT_EQ(::mkfifo(tree.path("tree/pipe").c_str(), 0640), 0);
    std::string locked = tree.folder("tree/read only");
    tree.file("tree/read only/inside", "kept");
    ::chown(file.c_str(), 65534, 65534);
    ::chmod(file.c_str(), 04750);
    ::setxattr(file.c_str(), "user.origin", "camera", 6, 0);
    struct timespec times[2] = {{1'600'000'000, 111}, {1'500'000'000, 222}};
    ::utimensat(AT_FDCWD, file.c_str(), times, 0);
    ::utimensat(AT_FDCWD, tree.path("tree/link").c_str(), times, AT_SYMLINK_NOFOLLOW);
    ::chmod(locked.c_str(), 0555);
    ::utimensat(AT_FDCWD, locked.c_str(), times, 0);

    std::string copy = disk.string() + "/tree";
    ASSERT_EQ(copyItem(tree.path("tree"), copy), 0);
    // Read before reading the copies moves their access times. The set-id bit stays, as the mode
    // is set after the owner.
    const std::string given = " 1500000000.222 1600000000";
    EXPECT_EQ(facts(file), "104750 65534" + given) << "copying is no use of the file";
    EXPECT_EQ(facts(copy + "/file"), "104750 65534" + given);
    EXPECT_EQ(facts(copy + "/link"), "120777 0" + given);
    EXPECT_EQ(facts(copy + "/read only"), "40555 0" + given);
    EXPECT_TRUE(facts(copy + "/pipe").starts_with("10640 ")) << "a pipe of the same mode";
    EXPECT_EQ(contentOf(copy + "/file"), contentOf(file));
    EXPECT_EQ(contentOf(copy + "/odd\nname \xFF"), "odd");
    char origin[16] = {};
    EXPECT_EQ(::getxattr((copy + "/file").c_str(), "user.origin", origin, sizeof origin), 6);
    EXPECT_EQ(fs::read_symlink(copy + "/link"), "file");
    EXPECT_EQ(fs::read_symlink(copy + "/dangling"), "/nowhere");
    EXPECT_EQ(contentOf(copy + "/read only/inside"), "kept");
    EXPECT_EQ(contentOf(copy + "/second name"), contentOf(file));

    EXPECT_EQ(copyItem(tree.path("tree"), copy), EEXIST) << "never over something";
    EXPECT_EQ(copyItem(tree.path("missing"), disk.string() + "/x"), ENOENT);
}

TEST_F(ItemCopy, FailsOnAFullDiskAndNeverCopiesAnotherMountInsideTheItem) {
    tree.file("outer/file", "x");
    test::TmpfsMount inner(folder.path() / "outer/inner", 1 << 20);
    TAVELIN_SKIP_UNLESS_MOUNTED(inner);
    EXPECT_EQ(copyItem(tree.path("outer"), tree.path("copy")), EXDEV);
    EXPECT_EQ(copyItem(tree.file("big", 2 << 20), inner.string() + "/big"), ENOSPC);
}

TEST_F(ItemRemoval, RemovesWholeTreesButNothingBeyondThem) {
    std::string target = tree.file("target/precious", "keep");
    tree.symlink(tree.path("target"), "doomed/link to target");
    tree.file("doomed/a/b/c", "x");
    ::chmod(tree.path("doomed/a/b").c_str(), 0500);
    ::chmod(tree.path("doomed/a").c_str(), 0);
    EXPECT_EQ(removeItem(tree.path("doomed")), 0);
    EXPECT_FALSE(fs::exists(tree.path("doomed")));
    EXPECT_EQ(contentOf(target), "keep") << "links are removed, never followed";
    EXPECT_EQ(removeItem(tree.path("doomed")), ENOENT);

    test::TmpfsMount mount(folder.path() / "holder/mounted", 1 << 20);
    TAVELIN_SKIP_UNLESS_MOUNTED(mount);
    std::ofstream(mount.path() / "data") << "another disk";
    tree.file("holder/loose", "y");
    EXPECT_EQ(removeItem(mount.string()), EBUSY);
    EXPECT_EQ(removeItem(tree.path("holder")), EBUSY);
    EXPECT_EQ(contentOf(mount.string() + "/data"), "another disk");
    EXPECT_FALSE(fs::exists(tree.path("holder/loose")));
}

TEST_F(ItemRemoval, OpensFoldersItsUserMayNotChange) {
    tree.file("cache/module/file", "x");
    ::chmod(folder.string().c_str(), 0777);
    for (const char* path : {"cache", "cache/module", "cache/module/file"})
        ::chown(tree.path(path).c_str(), test::kNobody, test::kNobody);
    ::chmod(tree.path("cache/module").c_str(), 0555); // as Go's module cache leaves its folders
    EXPECT_EQ(test::runForked([&] { return removeItem(tree.path("cache")); }, test::kNobody), 0);
    EXPECT_FALSE(fs::exists(tree.path("cache")));
}
