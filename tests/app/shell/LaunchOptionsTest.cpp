#include "shell/LaunchOptions.h"

#include "app/ModelFixture.h"

#include <QTest>
#include <gtest/gtest.h>
#include <sys/stat.h>

using tavelin::LaunchOptions;

TEST(LaunchOptions, ParsesPathsAsBytesAndWrongOptionsAsOneLineErrors) {
    using Action = LaunchOptions::Action;
    using Parsed = std::tuple<Action, std::string, std::string, std::string, bool>;
    // What each command line asks for: its action, folder, scan file, output, and whether only an
    // ordinary window is asked for, which is what is handed to the running Tavelin. A name that is
    // not UTF-8 is not decoded; after "--" a name that looks like an option is a folder; standard
    // input cannot be handed over.
    for (const auto& [arguments, parsed] : std::vector<std::pair<std::vector<std::string>, Parsed>>{
             {{"tavelin", "-scan", "/data/bad \xff\xfe name"},
              {Action::openWindow, "/data/bad \xff\xfe name", "", "-", true}},
             {{"tavelin"}, {Action::openWindow, "", "", "-", true}},
             {{"tavelin", "/a", "-scan", "/b"}, {Action::openWindow, "/b", "", "-", true}},
             {{"tavelin", "--", "--demo"}, {Action::openWindow, "--demo", "", "-", true}},
             {{"tavelin", "-"}, {Action::openWindow, "-", "", "-", true}},
             {{"tavelin", "--demo"}, {Action::openWindow, "", "", "-", false}},
             {{"tavelin", "--pretend-no-access"}, {Action::openWindow, "", "", "-", false}},
             {{"tavelin", "--import", "-"}, {Action::openWindow, "", "-", "-", false}},
             {{"tavelin", "/tmp", "--help", "--version"}, {Action::help, "/tmp", "", "-", false}},
             {{"tavelin", "--version"}, {Action::version, "", "", "-", false}},
             {{"tavelin", "--import", "-", "--report"}, {Action::report, "", "-", "-", false}},
             {{"tavelin", "--report", "--import", "-"}, {Action::report, "", "-", "-", false}},
             {{"tavelin", "--export", "/srv", "-o", "s.gz"},
              {Action::exportScan, "", "", "s.gz", false}},
         }) {
        LaunchOptions options = LaunchOptions::parse(arguments);
        EXPECT_EQ(Parsed(options.action, options.scanPath, options.importPath, options.outputPath,
                         options.handsOver()),
                  parsed)
            << arguments.back();
    }
    EXPECT_FALSE(LaunchOptions::parse({"--demo"}).demo) << "the program name is never an argument";

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
    EXPECT_EQ(LaunchOptions::parse({"tavelin", "--report", "/tmp"}).action, Action::report);
    EXPECT_NE(LaunchOptions::usage().find("--pretend-no-access"), std::string::npos);

    // Relative paths are anchored where Tavelin was started; the model expands "~/", and only "~"
    // itself is the home folder.
    for (const auto& [path, directory, anchored] :
         std::vector<std::tuple<std::string, std::string, std::string>>{
             {"Music", "/home/me", "/home/me/Music"},
             {".", "/", "/."},
             {"/abs", "/home/me", "/abs"},
             {"~/Music", "/home/me", "~/Music"},
             {"~x", "/home/me", "/home/me/~x"},
             {"", "/home/me", ""}}) {
        LaunchOptions options;
        options.scanPath = path;
        options.anchorScanPath(directory);
        EXPECT_EQ(options.scanPath, anchored) << path;
    }
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
