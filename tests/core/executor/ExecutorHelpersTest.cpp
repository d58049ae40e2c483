#include "executor/Executor.h"
#include "support/Forked.h"
#include "support/TemporaryFolder.h"
#include "support/TreeBuilder.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tavelin;
namespace fs = std::filesystem;

TEST(ExecutorMessages, NamesCountsAndFreeNamesReadAsWritten) {
    struct Case {
        std::vector<std::string> names;
        std::string text;
    };
    const Case lists[] = {
        {{}, ""},
        {{"a"}, "“a”"},
        {{"a", "b"}, "“a” and “b”"},
        {{"a", "b", "c"}, "“a”, “b” and “c”"},
        {{"a", "b", "c", "d"}, "“a”, “b” and 2 more"},
        {{"a", "b", "c", "d", "e"}, "“a”, “b” and 3 more"},
        {{"bad\xFF"}, "“bad\uFFFD”"},
    };
    for (const Case& entry : lists)
        EXPECT_EQ(Executor::list(entry.names), entry.text);

    test::TemporaryFolder folder;
    test::TreeBuilder tree(folder.path());
    tree.file("report.pdf", 1);
    tree.file("report 2.pdf", 1);
    tree.file("notes", 1);
    tree.file(".profile", 1);
    tree.folder("archive.d");
    const std::pair<std::string, std::string> freeNames[] = {
        {"fresh.txt", "fresh.txt"}, {"report.pdf", "report 3.pdf"}, {"notes", "notes 2"},
        {".profile", ".profile 2"}, {"archive.d", "archive 2.d"},
    };
    for (const auto& [name, free] : freeNames)
        EXPECT_EQ(Executor::freeName(tree.path(name)), tree.path(free)) << name;
}

TEST(ExecutorPaths, InsideAndRelativeCompareWholeComponents) {
    EXPECT_TRUE(Executor::isInside("/home/ann/a", "/home/ann"));
    EXPECT_TRUE(Executor::isInside("/home/ann", "/home/ann"));
    EXPECT_TRUE(Executor::isInside("/home/ann/a", "/home/ann/"));
    EXPECT_FALSE(Executor::isInside("/home/anna", "/home/ann"));
    EXPECT_FALSE(Executor::isInside("/home", "/home/ann"));
    EXPECT_TRUE(Executor::isInside("/System/Volumes/Data/home/ann/a", "/home/ann"));

    EXPECT_EQ(Executor::relativePath("/home/ann/Movies/a.mov", "/home/ann"), "Movies/a.mov");
    EXPECT_EQ(Executor::relativePath("/srv/media/a.mov", "/home/ann"), "srv/media/a.mov");
    EXPECT_EQ(Executor::relativePath("/home/ann", "/home/ann"), "home/ann");
    EXPECT_EQ(Executor::relativePath("/home/annex/x", "/home/ann"), "home/annex/x");
}

TEST(ExecutorIdentical, ComparesContentLinksAndWholeFolders) {
    test::TemporaryFolder folder;
    test::TreeBuilder tree(folder.path());
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
    EXPECT_FALSE(Executor::identical(tree.path("a/doc"), tree.path("c/doc")));
    EXPECT_FALSE(Executor::identical(tree.path("a/doc"), tree.path("d/doc")));
    EXPECT_FALSE(Executor::identical(tree.path("a/link"), tree.path("c/link")));
    EXPECT_FALSE(Executor::identical(tree.path("a/link"), tree.path("a/doc")));
    EXPECT_FALSE(Executor::identical(tree.path("a"), tree.path("c")));
    EXPECT_FALSE(Executor::identical(tree.path("a/doc"), tree.path("missing")));
    tree.file("b/extra", "x");
    EXPECT_FALSE(Executor::identical(tree.path("a"), tree.path("b"))) << "names differ";
}

TEST(ExecutorIdentical, WhatCannotBeReadIsNeverIdentical) {
    test::TemporaryFolder folder;
    test::TreeBuilder tree(folder.path());
    tree.file("a/secret", "one thing");
    tree.file("b/secret", "another!!");
    ::chmod(tree.path("a/secret").c_str(), 0);
    ::chmod(tree.path("b/secret").c_str(), 0);
    ::chmod(folder.string().c_str(), 0755);
    int result = test::runForked(
        [&] {
            bool files = Executor::identical(tree.path("a/secret"), tree.path("b/secret"));
            bool folders = Executor::identical(tree.path("a"), tree.path("b"));
            return files || folders ? 1 : 0;
        },
        test::kNobody);
    EXPECT_EQ(result, 0) << "two unreadable files must not pass as a verified copy";
}

TEST(ExecutorMeasures, UniqueBytesAndLocalFilesCountOnlyRealBlocks) {
    test::TemporaryFolder folder;
    test::TreeBuilder tree(folder.path());
    std::string big = tree.file("set/big", 300'000);
    tree.file("set/inner/small", 5'000);
    tree.sparseFile("set/sparse", 1'000'000);
    tree.symlink("big", "set/link");

    int64_t bigBytes = test::allocatedBytes(big);
    EXPECT_EQ(Executor::uniqueBytes(big), bigBytes);
    EXPECT_EQ(Executor::uniqueBytes(tree.path("missing")), 0);
    int64_t files = test::independentUsage(tree.path("set")).bytes;
    int64_t folders =
        test::allocatedBytes(tree.path("set")) + test::allocatedBytes(tree.path("set/inner"));
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
    ASSERT_EQ(single.size(), 1u);
    EXPECT_EQ(single[0].allocated, bigBytes);
    EXPECT_TRUE(Executor::localFiles(tree.path("set/link")).empty());
}
