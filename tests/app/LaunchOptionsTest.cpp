#include "LaunchOptions.h"

#include <gtest/gtest.h>

using tavelin::LaunchOptions;

TEST(LaunchOptions, ScanTakesTheFollowingPath) {
    EXPECT_EQ(LaunchOptions::parse({"tavelin", "-scan", "/home/me/My Files"}).scanPath,
              "/home/me/My Files");
    EXPECT_TRUE(LaunchOptions::parse({"tavelin"}).scanPath.isEmpty());
    EXPECT_TRUE(LaunchOptions::parse({"tavelin", "-scan"}).scanPath.isEmpty())
        << "a dangling flag names no path";
    EXPECT_TRUE(LaunchOptions::parse({"-scan", "tavelin"}).scanPath.isEmpty())
        << "the program name is never an argument";
}
