#include "platform/UserDirectories.h"

#include "support/TextFiles.h"
#include "support/TreeTest.h"

#include <cstdlib>

using namespace tavelin;
using namespace tavelin::platform;
using namespace std::string_literals;

TEST(UserDirectories, ParsesWhatTheDesktopWritesAndSkipsWhatItCannotMean) {
    const std::pair<std::string, std::optional<std::string>> cases[] = {
        {R"(XDG_DOWNLOAD_DIR="$HOME/Téléchargements")", "Téléchargements"},
        {R"(  XDG_DOWNLOAD_DIR="$HOME/My \"Files\"/in")", "My \"Files\"/in"},
        {R"(XDG_DOWNLOAD_DIR="/home/u/Down")", "Down"},
        {R"(XDG_DOWNLOAD_DIR="/data/downloads/")", "/data/downloads"},
        {R"(XDG_DOWNLOAD_DIR="$HOME/../shared/dl")", "/home/shared/dl"},
        {R"(XDG_DOWNLOAD_DIR="$HOME/")", std::nullopt},
        {R"(XDG_DOWNLOAD_DIR="$HOME")", std::nullopt},
        {R"(XDG_DOWNLOAD_DIR="/")", std::nullopt},
        {R"(XDG_DOWNLOAD_DIR="/home")", std::nullopt},
        {R"(# XDG_DOWNLOAD_DIR="$HOME/Commented")", "Downloads"},
        {R"(XDG_DOWNLOAD_DIR=$HOME/Unquoted)", "Downloads"},
        {R"(XDG_DOWNLOAD_DIR="$HOME/Unterminated)", "Downloads"},
        {R"(XDG_DOWNLOAD_DIR="relative/path")", "Downloads"},
        {R"(XDG_DOWNLOAD_DIR="$HOMEWORK/x")", "Downloads"},
        {R"(XDG_DOWNLOAD_DIR="")", "Downloads"},
        {"XDG_DOWNLOAD_DIR=\"$HOME/a\0b\""s, "Downloads"},
        {"\xff\xfe garbage = \"", "Downloads"},
        {R"(XDG_DOWNLOADS_DIR="$HOME/Typo")", "Downloads"},
    };
    for (const auto& [line, downloads] : cases) {
        UserDirectories folders = parseUserDirectories(line + "\n", "/home/u/");
        EXPECT_EQ(std::pair(folders.downloads, folders.pictures),
                  std::pair(downloads, std::optional<std::string>("Pictures")))
            << line;
    }
}

// The configured file, every folder of it, and English names for the rest. Only what lies
// between the quotes counts; "$HOME/" turns a folder off; a folder that is a link counts where
// it leads, but not when that is the home folder; a dangling link finds nothing in a scan anyway.
using UserDirectoriesFile = test::TreeTest;
TEST_F(UserDirectoriesFile, ReadsTheConfiguredFileAndFollowsAFolderThatIsALink) {
    std::string elsewhere = tree.folder("disk/Téléchargements");
    tree.symlink(elsewhere, "Downloads");
    tree.symlink(folder.string(), "Pictures");
    tree.symlink("missing", "Desktop");
    std::string config = std::string(std::getenv("XDG_CONFIG_HOME")) + "/user-dirs.dirs";
    test::writeText(config, "# written by xdg-user-dirs-update\n"
                            "XDG_VIDEOS_DIR=\"$HOME/Films\"\r\n"
                            "XDG_DOCUMENTS_DIR=\"$HOME/\"");
    UserDirectories folders = readUserDirectories(folder.string());
    std::filesystem::remove(config);
    EXPECT_EQ(folders, (UserDirectories{"Desktop", std::nullopt, "disk/Téléchargements",
                                        std::nullopt, "Films"}));
    test::TemporaryFolder plain;
    EXPECT_EQ(readUserDirectories(plain.string()), UserDirectories{}) << "without the file";
}
