#include "LaunchOptions.h"

#include "app/ModelFixture.h"

#include <QTest>
#include <gtest/gtest.h>
#include <sys/stat.h>

using tavelin::LaunchOptions;

TEST(LaunchOptions, ScanTakesTheFollowingPathAsItsBytes) {
    EXPECT_EQ(LaunchOptions::parse({"tavelin", "-scan", "/home/me/My Files"}).scanPath,
              "/home/me/My Files");
    EXPECT_EQ(LaunchOptions::parse({"tavelin", "-scan", "/data/bad \xff\xfe name"}).scanPath,
              "/data/bad \xff\xfe name")
        << "a name that is not UTF-8 is not decoded";
    EXPECT_TRUE(LaunchOptions::parse({"tavelin"}).scanPath.empty());
    EXPECT_TRUE(LaunchOptions::parse({"tavelin", "-scan"}).scanPath.empty())
        << "a dangling flag names no path";
    EXPECT_TRUE(LaunchOptions::parse({"-scan", "tavelin"}).scanPath.empty())
        << "the program name is never an argument";
}

namespace tavelin::test {

using LaunchPathTest = ModelFixture;

TEST_F(LaunchPathTest, OnlyFoldersAreScannedAndRememberedOthersSayWhy) {
    std::string fifo = tree.path("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {std::string("/dev/null"), fifo, tree.path("missing")}) {
        auto model = makeModel();
        model->scanLaunchPath(path);
        EXPECT_FALSE(model->session()) << path;
        EXPECT_TRUE(model->recents().empty()) << path;
        ASSERT_TRUE(model->notice()) << path;
        EXPECT_EQ(model->notice()->count('\n'), 0);
    }
    auto model = makeModel();
    model->scanLaunchPath("/dev/null");
    EXPECT_EQ(model->notice(), QStringLiteral("“/dev/null” is not a folder."));
}

TEST_F(LaunchPathTest, ALinkWithATrailingSlashAndANameThatIsNotUtf8AreScanned) {
    tree.file("bad \xff name/big", 2'000'000);
    tree.symlink(tree.path("bad \xff name"), "link");
    for (const std::string& path : {tree.path("link") + "/", tree.path("bad \xff name")}) {
        auto model = makeModel();
        model->scanLaunchPath(path);
        ASSERT_TRUE(model->session()) << path;
        ASSERT_TRUE(QTest::qWaitFor([&] { return !model->session()->isRunning(); }, 20000));
        EXPECT_EQ(model->session()->errors(), 0) << path;
        EXPECT_EQ(model->session()->root()->fileCount, 1) << path;
        EXPECT_FALSE(model->notice()) << path;
    }
}

} // namespace tavelin::test
