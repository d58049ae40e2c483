#include "ExecutorTest.h"
#include "support/Forked.h"

#include <sys/stat.h>

using namespace tavelin;
using namespace tavelin::test;
namespace fs = std::filesystem;
using ExecutorHelpers = ExecutorTest;

// Lists of two and three names, and counts of one and more, read in the steps' own messages.
TEST_F(ExecutorHelpers, LongListsNamesAndFreeNamesReadAsWritten) {
    EXPECT_EQ(Executor::list({}), "");
    EXPECT_EQ(Executor::list({"a", "b", "c", "d"}), "“a”, “b” and 2 more");
    EXPECT_EQ(Executor::list({"bad\xFF"}), "“bad\uFFFD”");

    for (const char* taken : {"report.pdf", "report 2.pdf", "notes", ".profile"})
        tree.file(taken, 1);
    tree.folder("archive.d");
    const std::pair<std::string, std::string> freeNames[] = {
        {"fresh.txt", "fresh.txt"}, {"report.pdf", "report 3.pdf"}, {"notes", "notes 2"},
        {".profile", ".profile 2"}, {"archive.d", "archive 2.d"},
    };
    for (const auto& [name, free] : freeNames)
        EXPECT_EQ(Executor::freeName(tree.path(name)), tree.path(free)) << name;
}

TEST(ExecutorPaths, InsideAndRelativeCompareWholeComponents) {
    const std::tuple<std::string, std::string, bool, std::string> cases[] = {
        {"/home/ann/Movies/a.mov", "/home/ann", true, "Movies/a.mov"},
        {"/home/ann/a", "/home/ann/", true, "a"},
        {"/home/ann", "/home/ann", true, "home/ann"},
        {"/home/anna", "/home/ann", false, "home/anna"},
        {"/home", "/home/ann", false, "home"},
        {"/srv/media/a.mov", "/home/ann", false, "srv/media/a.mov"},
    };
    for (const auto& [path, folder, inside, relative] : cases) {
        SCOPED_TRACE(path + " in " + folder);
        EXPECT_EQ(Executor::isInside(path, folder), inside);
        EXPECT_EQ(Executor::relativePath(path, folder), relative);
    }
    EXPECT_TRUE(Executor::isInside("/System/Volumes/Data/home/ann/a", "/home/ann"));
}

TEST_F(ExecutorHelpers, IdenticalComparesContentLinksAndWholeFolders) {
    tree.file("a/doc", "same words");
    tree.file("b/doc", "same words");
    tree.file("c/doc", "same wordz");
    tree.file("d/doc", "same words!");
    tree.symlink("target one", "a/link");
    tree.symlink("target one", "b/link");
    tree.symlink("target two", "c/link");
    tree.folder("a/empty");
    tree.folder("b/empty");
    EXPECT_TRUE(Executor::identical(tree.path("a"), tree.path("b")));
    for (auto [a, b] : {std::pair{"a/doc", "c/doc"},
                        {"a/doc", "d/doc"},
                        {"a/link", "c/link"},
                        {"a/link", "a/doc"},
                        {"a", "c"},
                        {"a/doc", "missing"}})
        EXPECT_FALSE(Executor::identical(tree.path(a), tree.path(b))) << a << " " << b;
    tree.file("b/extra", "x");
    EXPECT_FALSE(Executor::identical(tree.path("a"), tree.path("b"))) << "names differ";

    // What cannot be read must not pass as a verified copy.
    tree.file("x/secret", "one thing");
    tree.file("y/secret", "another!!");
    ::chmod(tree.path("x/secret").c_str(), 0);
    ::chmod(tree.path("y/secret").c_str(), 0);
    ::chmod(folder.string().c_str(), 0755);
    auto same = [&](const char* a, const char* b) {
        return Executor::identical(tree.path(a), tree.path(b));
    };
    EXPECT_EQ(runForked([&] { return same("x/secret", "y/secret") || same("x", "y"); }, kNobody),
              0);
}

TEST_F(ExecutorHelpers, UniqueBytesAndLocalFilesCountOnlyRealBlocks) {
    std::string big = tree.file("set/big", 300'000);
    tree.file("set/inner/small", 5'000);
    std::string sparse = tree.sparseFile("set/sparse", 1'000'000);
    tree.symlink("big", "set/link");

    int64_t bigBytes = allocatedBytes(big);
    EXPECT_EQ(Executor::uniqueBytes(big), bigBytes);
    EXPECT_EQ(Executor::uniqueBytes(tree.path("missing")), 0);
    int64_t files = independentUsage(tree.path("set")).bytes;
    int64_t folders = allocatedBytes(tree.path("set")) + allocatedBytes(tree.path("set/inner"));
    EXPECT_GE(Executor::uniqueBytes(tree.path("set")), files);
    EXPECT_LE(Executor::uniqueBytes(tree.path("set")), files + folders);

    tree.hardLink(big, "set/big again");
    std::vector<std::string> paths;
    for (const auto& file : Executor::localFiles(tree.path("set")))
        paths.push_back(fs::path(file.path).filename().string());
    std::sort(paths.begin(), paths.end());
    EXPECT_EQ(paths, (std::vector<std::string>{"big", "big again", "small"}))
        << "no sparse file without blocks, no link";
    auto single = Executor::localFiles(big);
    EXPECT_EQ(std::pair(single.size(), single.at(0).allocated), std::pair(size_t{1}, bigBytes));
    EXPECT_TRUE(Executor::localFiles(tree.path("set/link")).empty() &&
                Executor::localFiles(sparse).empty());
}
