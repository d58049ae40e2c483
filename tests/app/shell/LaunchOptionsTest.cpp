#include "shell/LaunchOptions.h"

#include "app/ModelFixture.h"

#include <QTest>
#include <gtest/gtest.h>
#include <sys/stat.h>

using tavelin::LaunchOptions;

TEST(LaunchOptions, ParsesPathsAsBytesAndWrongOptionsAsOneLineErrors) {
    EXPECT_EQ(LaunchOptions::parse({"tavelin", "-scan", "/home/me/My Files"}).scanPath,
              "/home/me/My Files");
    EXPECT_EQ(LaunchOptions::parse({"tavelin", "-scan", "/data/bad \xff\xfe name"}).scanPath,
              "/data/bad \xff\xfe name")
        << "a name that is not UTF-8 is not decoded";
    EXPECT_TRUE(LaunchOptions::parse({"tavelin"}).scanPath.empty());
    EXPECT_TRUE(LaunchOptions::parse({"--demo"}).demo == false)
        << "the program name is never an argument";
    EXPECT_EQ(LaunchOptions::parse({"tavelin", "/a", "-scan", "/b"}).scanPath, "/b");
    EXPECT_EQ(LaunchOptions::parse({"tavelin", "--", "--demo"}).scanPath, "--demo")
        << "after “--” a name that looks like an option is a folder";
    EXPECT_EQ(LaunchOptions::parse({"tavelin", "-"}).scanPath, "-");

    using Action = LaunchOptions::Action;
    for (const auto& arguments :
         std::vector<std::vector<std::string>>{{"tavelin", "--bogus"},
                                               {"tavelin", "-x", "/tmp"},
                                               {"tavelin", "-scan"},
                                               {"tavelin", "--report"},
                                               {"tavelin", "--import"},
                                               {"tavelin", "--import", "", "--report"},
                                               {"tavelin", "/srv", "--import", "a.json"},
                                               {"tavelin", "-o", "x.json"},
                                               {"tavelin", "--import", "a", "--report", "/b"},
                                               {"tavelin", "--export", "/a", "--report"},
                                               {"tavelin", "--he\nlp"}}) {
        LaunchOptions options = LaunchOptions::parse(arguments);
        EXPECT_EQ(options.action, Action::error) << arguments[1];
        EXPECT_TRUE(options.error.starts_with("tavelin: ")) << options.error;
        EXPECT_EQ(options.error.find('\n'), std::string::npos);
    }
    EXPECT_EQ(LaunchOptions::parse({"tavelin", "/tmp", "--help", "--version"}).action,
              Action::help);
    EXPECT_EQ(LaunchOptions::parse({"tavelin", "--version"}).action, Action::version);
    EXPECT_EQ(LaunchOptions::parse({"tavelin", "--report", "/tmp"}).action, Action::report);
    for (const auto& arguments : std::vector<std::vector<std::string>>{
             {"tavelin", "--import", "-", "--report"}, {"tavelin", "--report", "--import", "-"}}) {
        LaunchOptions options = LaunchOptions::parse(arguments);
        EXPECT_EQ(options.action, Action::report) << "the report of a scan file, without a window";
        EXPECT_EQ(options.importPath, "-");
    }
    LaunchOptions exporting = LaunchOptions::parse({"tavelin", "--export", "/srv", "-o", "s.gz"});
    EXPECT_EQ(exporting.action, Action::exportScan);
    EXPECT_EQ(exporting.outputPath, "s.gz");
    EXPECT_EQ(LaunchOptions::parse({"tavelin", "--export", "/srv"}).outputPath, "-");
    EXPECT_NE(LaunchOptions::usage().find("--pretend-no-access"), std::string::npos);

    // Only an ordinary window is handed to the running Tavelin.
    EXPECT_TRUE(LaunchOptions::parse({"tavelin", "/tmp"}).handsOver());
    EXPECT_FALSE(LaunchOptions::parse({"tavelin", "--demo"}).handsOver());
    EXPECT_FALSE(LaunchOptions::parse({"tavelin", "--pretend-no-access"}).handsOver());
    EXPECT_FALSE(LaunchOptions::parse({"tavelin", "--version"}).handsOver());
    EXPECT_FALSE(LaunchOptions::parse({"tavelin", "--import", "-"}).handsOver())
        << "standard input cannot be handed over";

    // Relative paths are anchored where Tavelin was started.
    auto anchored = [](std::string path, std::string directory) {
        LaunchOptions options;
        options.scanPath = std::move(path);
        options.anchorScanPath(directory);
        return options.scanPath;
    };
    EXPECT_EQ(anchored("Music", "/home/me"), "/home/me/Music");
    EXPECT_EQ(anchored(".", "/"), "/.");
    EXPECT_EQ(anchored("/abs", "/home/me"), "/abs");
    EXPECT_EQ(anchored("~/Music", "/home/me"), "~/Music") << "the model expands the home folder";
    EXPECT_EQ(anchored("~x", "/home/me"), "/home/me/~x") << "only “~” itself is the home folder";
    EXPECT_EQ(anchored("", "/home/me"), "");
}

namespace tavelin::test {

using LaunchPathTest = ModelFixture;

TEST_F(LaunchPathTest, OnlyFoldersAreScannedLinksAndNamesThatAreNotUtf8Included) {
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
