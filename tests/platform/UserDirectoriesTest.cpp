#include "platform/UserDirectories.h"

#include "support/TemporaryFolder.h"
#include "support/TreeBuilder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

using namespace tavelin;
using namespace tavelin::platform;
using namespace std::string_literals;

TEST(UserDirectories, ParsesWhatTheDesktopWritesAndSkipsWhatItCannotMean) {
    struct Case {
        std::string line;
        std::optional<std::string> downloads;
    };
    const Case cases[] = {
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
    for (const Case& c : cases) {
        UserDirectories folders = parseUserDirectories(c.line + "\n", "/home/u/");
        EXPECT_EQ(folders.downloads, c.downloads) << c.line;
        EXPECT_EQ(folders.pictures, "Pictures") << c.line;
    }
}

TEST(UserDirectories, ReadsEveryFolderOfTheFileAndKeepsEnglishNamesForTheRest) {
    std::string text = "# written by xdg-user-dirs-update\n"
                       "XDG_DESKTOP_DIR=\"$HOME/Bureau\"\r\n"
                       "XDG_DOCUMENTS_DIR=\"$HOME/\"\n"
                       "XDG_PICTURES_DIR=\"$HOME/Images\"\n"
                       "XDG_VIDEOS_DIR=\"$HOME/Vidéos\"";
    UserDirectories folders = parseUserDirectories(text, "/home/u");
    EXPECT_EQ(folders.desktop, "Bureau") << "only what lies between the quotes counts";
    EXPECT_EQ(folders.documents, std::nullopt) << "turned off";
    EXPECT_EQ(folders.downloads, "Downloads");
    EXPECT_EQ(folders.pictures, "Images");
    EXPECT_EQ(folders.videos, "Vidéos");
}

TEST(UserDirectories, ReadsTheConfiguredFileAndFollowsAFolderThatIsALink) {
    test::TemporaryFolder home;
    test::TreeBuilder files(home.path());
    std::string elsewhere = files.folder("disk/Téléchargements");
    files.symlink(elsewhere, "Downloads");
    files.symlink(home.string(), "Pictures");
    files.symlink("missing", "Desktop");
    std::string config = std::getenv("XDG_CONFIG_HOME");
    {
        std::ofstream file(config + "/user-dirs.dirs");
        file << "XDG_VIDEOS_DIR=\"$HOME/Films\"\n";
    }
    UserDirectories folders = readUserDirectories(home.string());
    std::filesystem::remove(config + "/user-dirs.dirs");

    EXPECT_EQ(folders.downloads, "disk/Téléchargements") << "where the link leads";
    EXPECT_EQ(folders.pictures, std::nullopt) << "a link back to the home folder is no folder";
    EXPECT_EQ(folders.desktop, "Desktop") << "a dangling link finds nothing in a scan anyway";
    EXPECT_EQ(folders.videos, "Films");
    test::TemporaryFolder plain;
    EXPECT_EQ(readUserDirectories(plain.string()), UserDirectories{}) << "without the file";
}
