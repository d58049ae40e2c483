#include "util/Paths.h"

#include <gtest/gtest.h>

using namespace tavelin;

TEST(Paths, StandardizingResolvesDotsAndSlashesComponentsSplitAndJoinAndBelowIsOnABoundary) {
    EXPECT_EQ(standardizedPath("/a/b/../c/"), "/a/c");
    EXPECT_EQ(standardizedPath("/a/./b//c"), "/a/b/c");
    EXPECT_EQ(standardizedPath("/"), "/");
    EXPECT_EQ(standardizedPath("//"), "/");
    EXPECT_EQ(standardizedPath("/.."), "/");
    EXPECT_EQ(standardizedPath("/a/.."), "/");
    EXPECT_EQ(standardizedPath("../x/./y/"), "../x/y");
    EXPECT_EQ(standardizedPath("a/../.."), "..");
    EXPECT_EQ(standardizedPath("/a/..b/.c"), "/a/..b/.c");

    EXPECT_EQ(lastPathComponent("/a/b/c"), "c");
    EXPECT_EQ(lastPathComponent("/a/b/"), "b");
    EXPECT_EQ(lastPathComponent("/"), "/");
    EXPECT_EQ(lastPathComponent("name"), "name");
    EXPECT_EQ(parentPath("/a/b/c"), "/a/b");
    EXPECT_EQ(parentPath("/a/b/c//"), "/a/b") << "trailing slashes name the same folder";
    EXPECT_EQ(parentPath("/a"), "/");
    EXPECT_EQ(parentPath("/"), "/");
    EXPECT_EQ(parentPath("name"), "");
    EXPECT_EQ(joinPath("/", "Users"), "/Users") << "one slash under the root";
    EXPECT_EQ(joinPath("/Users", "me"), "/Users/me");
    EXPECT_EQ(joinPath("/a", "with \"quotes\"\nand newline"), "/a/with \"quotes\"\nand newline");

    // Below means inside, on a component boundary.
    EXPECT_TRUE(isBelow("/a/b", "/a"));
    EXPECT_TRUE(isBelow("/a", "/"));
    EXPECT_FALSE(isBelow("/a", "/a"));
    EXPECT_FALSE(isBelow("/ab", "/a"));
    EXPECT_FALSE(isBelow("/", "/"));
}
