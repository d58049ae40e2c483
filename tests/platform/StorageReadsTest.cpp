#include "platform/StorageReads.h"

#include "platform/UniqueFd.h"
#include "support/TreeTest.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/vfs.h>
#include <unistd.h>
#include <vector>

using namespace tavelin;
using StorageReads = test::TreeTest;

// A file dropped from the page cache has to come from the disk again; one still cached does not.
TEST_F(StorageReads, GrowOnlyWithWhatTheDiskHadToDeliver) {
    if (!platform::bytesReadFromStorage())
        GTEST_SKIP() << "this kernel keeps no count of a process's storage reads";
    constexpr size_t kSize = 4 << 20;
    std::string path = tree.file("data", kSize);
    struct statfs where {};
    ASSERT_EQ(::statfs(path.c_str(), &where), 0);
    if (where.f_type == TMPFS_MAGIC)
        GTEST_SKIP() << "the test folder is in memory, where nothing comes from a disk";
    platform::UniqueFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    ASSERT_TRUE(file);
    std::vector<char> buffer(kSize);
    auto readAll = [&] { return ::pread(file.get(), buffer.data(), kSize, 0); };
    ASSERT_EQ(readAll(), static_cast<ssize_t>(kSize));
    int64_t cached = *platform::bytesReadFromStorage();
    ASSERT_EQ(readAll(), static_cast<ssize_t>(kSize));
    EXPECT_EQ(*platform::bytesReadFromStorage(), cached);

    ASSERT_EQ(::fdatasync(file.get()), 0);
    ASSERT_EQ(::posix_fadvise(file.get(), 0, 0, POSIX_FADV_DONTNEED), 0);
    ASSERT_EQ(readAll(), static_cast<ssize_t>(kSize));
    EXPECT_GE(*platform::bytesReadFromStorage() - cached, static_cast<int64_t>(kSize));
}
