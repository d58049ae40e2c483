#include "platform/Inotify.h"

#include "platform/Directories.h"
#include "platform/FileSystemMark.h"
#include "platform/WakeableWait.h"
#include "support/TemporaryFolder.h"
#include "support/TmpfsMount.h"

#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/inotify.h>

using namespace tavelin::platform;
using Kind = FolderChange::Kind;

namespace {

// One record as the kernel lays it out: the header, then the name padded with NULs.
void appendRecord(std::vector<std::byte>& buffer, int watch, uint32_t mask,
                  const std::string& name = {}) {
    inotify_event header{};
    header.wd = watch;
    header.mask = mask;
    header.len = name.empty() ? 0 : static_cast<uint32_t>((name.size() + 16) / 16 * 16);
    size_t at = buffer.size();
    buffer.resize(at + sizeof header + header.len);
    std::memcpy(buffer.data() + at, &header, sizeof header);
    std::memcpy(buffer.data() + at + sizeof header, name.data(), name.size());
}

// Each change as (watch, kind, name).
using Changes = std::vector<std::tuple<int, Kind, std::string_view>>;
Changes summary(const std::vector<FolderChange>& all) {
    Changes found;
    for (const FolderChange& change : all)
        found.emplace_back(change.watch, change.kind, change.name);
    return found;
}

TEST(Inotify, DecodesWhatEachRecordMeansForTheTree) {
    std::vector<std::byte> records;
    appendRecord(records, -1, IN_Q_OVERFLOW);
    appendRecord(records, 3, IN_CREATE | IN_ISDIR, "new folder");
    appendRecord(records, 3, IN_MOVED_FROM | IN_ISDIR, "left");
    appendRecord(records, 3, IN_DELETE, "file\nwith a newline");
    appendRecord(records, 4, IN_DELETE_SELF);
    appendRecord(records, 4, IN_IGNORED);
    appendRecord(records, 5, IN_ATTRIB);
    records.resize(records.size() + 7); // a truncated record at the end is left alone

    // The deletion of a watched folder itself reaches its parent: the watch only ends.
    EXPECT_EQ(summary(Inotify::decode(records)),
              (Changes{{-1, Kind::overflow, ""},
                       {3, Kind::folderAdded, "new folder"},
                       {3, Kind::folderRemoved, "left"},
                       {3, Kind::entries, "file\nwith a newline"},
                       {4, Kind::watchEnded, ""},
                       {5, Kind::entries, ""}}));
}

TEST(Inotify, WatchesAFolderThroughItsDescriptor) {
    tavelin::test::TemporaryFolder temp;
    Inotify inotify;
    WakeableWait waiting;
    ASSERT_TRUE(inotify && waiting);
    UniqueFd folder = openFolder(temp.string().c_str());
    int watch = inotify.watch(folder.get());
    ASSERT_GE(watch, 0);
    EXPECT_EQ(inotify.watch(folder.get()), watch) << "one watch per folder";
    std::filesystem::create_directory(temp.path() / "sub");
    ASSERT_TRUE(waiting.wait(inotify.fd(), 5000));
    EXPECT_EQ(summary(inotify.read()), (Changes{{watch, Kind::folderAdded, "sub"}}));

    std::filesystem::create_symlink(temp.path() / "sub", temp.path() / "link");
    UniqueFd link = UniqueFd(::open((temp.path() / "link").c_str(), O_PATH | O_NOFOLLOW));
    EXPECT_EQ(inotify.watch(link.get()), -ENOTDIR) << "a link is never watched as its folder";

    ASSERT_TRUE(waiting.wait(inotify.fd(), 5000));
    EXPECT_EQ(inotify.read().size(), 1u) << "the link's creation";
    waiting.wake();
    EXPECT_FALSE(waiting.wait(inotify.fd(), 5000)) << "woken, with nothing more queued";
}

TEST(FileSystemMark, NamesTheFolderWhoseEntryChangedByItsPath) {
    tavelin::test::TemporaryFolder temp;
    tavelin::test::TmpfsMount tmpfs(temp.path() / "disk", 4 << 20);
    TAVELIN_SKIP_UNLESS_MOUNTED(tmpfs);
    const std::filesystem::path& disk = tmpfs.path();
    std::filesystem::create_directories(disk / "a");
    UniqueFd top = openFolder(disk.c_str());
    UniqueFd inner = openFolder((disk / "a").c_str());
    EXPECT_TRUE(isMountRoot(top.get()) && !isMountRoot(inner.get()));
    FileSystemMark mark(top.get());
    if (!mark)
        GTEST_SKIP() << "marking a file system was refused here: " << std::strerror(errno);
    WakeableWait waiting;
    std::filesystem::create_directory(disk / "a" / "new\nfolder");
    std::ofstream(disk / "file") << "x";
    std::vector<std::pair<std::string, Kind>> seen;
    while (seen.size() < 2 && waiting.wait(mark.fd(), 5000))
        for (const FolderChange& change : mark.read())
            seen.emplace_back(std::string(change.folder) + "|" + std::string(change.name),
                              change.kind);
    ASSERT_GE(seen.size(), 2u);
    EXPECT_EQ(seen[0], std::make_pair((disk / "a").string() + "|new\nfolder", Kind::folderAdded));
    EXPECT_EQ(seen[1].first, disk.string() + "|file");
}

} // namespace
