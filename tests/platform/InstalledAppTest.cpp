#include "platform/InstalledApp.h"

#include "support/TemporaryFolder.h"
#include "support/TreeBuilder.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace tavelin;
using namespace tavelin::platform;
using Kind = InstalledApp::Kind;

namespace {

// A desktop's application sources laid out in a temporary folder: the user's home with its
// data folder, the system's and the local administrator's data folders, two Flatpak
// installations, an /opt folder and a folder of programs on the search path.
struct AppSourcesTest : ::testing::Test {
    test::TemporaryFolder root;
    test::TreeBuilder files{root.path()};
    std::string home = files.folder("home/u");
    std::string userData = files.folder("home/u/.local/share");
    AppSources sources{
        .home = home,
        .dataFolders = {userData, files.folder("usr/local/share"), files.folder("usr/share"),
                        userData + "/flatpak/exports/share"},
        .localDataFolders = {userData, files.path("usr/local/share")},
        .userFlatpak = userData + "/flatpak",
        .systemFlatpak = files.folder("var/lib/flatpak"),
        .optFolder = files.folder("opt"),
        .searchPath = {files.folder("bin")},
    };

    std::string write(const std::string& relative, const std::string& text, bool program = false) {
        std::string path = files.file(relative, text);
        if (program)
            std::filesystem::permissions(path, std::filesystem::perms::owner_all);
        return path;
    }

    std::string entry(const std::string& relative, const std::string& name,
                      const std::string& more = "") {
        return write(relative, "[Desktop Entry]\nType=Application\nName=" + name + "\n" + more);
    }

    std::string program(const std::string& relative) {
        return write(relative, "#!/bin/sh\n", true);
    }

    std::vector<std::string> names(const std::vector<DesktopEntry>& entries) {
        std::vector<std::string> found;
        for (const auto& entry : entries)
            found.push_back(entry.id + "=" + entry.name);
        return found;
    }
};

} // namespace

TEST_F(AppSourcesTest, TheFirstEntryOfAnIdCountsUnlessHiddenOrMissingItsProgram) {
    program("bin/present");
    entry("usr/share/applications/org.gnome.Maps.desktop", "Maps");
    entry("usr/share/applications/vlc.desktop", "VLC media player");
    entry("home/u/.local/share/applications/vlc.desktop", "VLC", "Hidden=true\n");
    entry("usr/share/applications/gimp.desktop", "GIMP");
    write("home/u/.local/share/applications/gimp.desktop", "[Desktop Entry]\nName=broken\n");
    entry("usr/share/applications/tray.desktop", "Tray helper", "NoDisplay=true\n");
    entry("usr/share/applications/gone.desktop", "Gone", "TryExec=absent-program\n");
    entry("usr/share/applications/here.desktop", "Here", "TryExec=present\n");
    entry("usr/local/share/applications/wine/notepad.desktop", "Notepad");
    entry("usr/local/share/applications/readme.txt", "Not an entry");
    entry("usr/share/applications/Maps.desktop", "Maps");

    EXPECT_EQ(names(sources.desktopEntries()),
              (std::vector<std::string>{"wine-notepad=Notepad", "Maps=Maps", "gimp=GIMP",
                                        "here=Here", "org.gnome.Maps=Maps"}));
    EXPECT_TRUE(AppSources{}.desktopEntries().empty()) << "no folders, nothing found";
}

TEST_F(AppSourcesTest, ProgramsAreFoundByPathOrSearchAndResolvedThroughLinks) {
    std::string tool = program("opt/tool/bin/tool");
    files.symlink(tool, "bin/tool");
    write("bin/plain", "not executable");
    EXPECT_EQ(sources.program("tool", ""), tool);
    EXPECT_EQ(sources.program(files.path("bin/tool"), ""), tool);
    EXPECT_EQ(sources.program("bin/tool", files.path("opt/tool/..")), std::nullopt)
        << "relative to its working folder only";
    EXPECT_EQ(sources.program("./bin/tool", files.path("opt/tool")), tool);
    EXPECT_EQ(sources.program("plain", ""), std::nullopt);
    EXPECT_EQ(sources.program("missing", ""), std::nullopt);
    EXPECT_EQ(sources.program("", ""), std::nullopt);
}

TEST_F(AppSourcesTest, FlatpakAppsAreUninstalledByFlatpakFromTheirInstallation) {
    std::string flatpak = program("bin/flatpak");
    std::string app = "home/u/.local/share/flatpak/app/org.x.Big";
    std::string deployed = app + "/x86_64/stable/0123abcd";
    write(deployed + "/metadata", "[Application]\nname=org.x.Big\ncommand=big\n");
    std::string big = program(deployed + "/files/bin/big");
    files.symlink("x86_64/stable", app + "/current");
    files.symlink("0123abcd", app + "/x86_64/stable/active");
    files.folder("home/u/.local/share/flatpak/repo/refs/remotes/flathub/app/org.x.Big");
    entry("home/u/.local/share/flatpak/exports/share/applications/org.x.Big.desktop", "Big Editor");
    files.folder("var/lib/flatpak/app/org.y.Shared");

    auto apps = InstalledApp::find(sources);
    ASSERT_EQ(apps.size(), 2u);
    EXPECT_EQ(apps[0],
              (InstalledApp{
                  .kind = Kind::flatpak,
                  .name = "Big Editor",
                  .id = "org.x.Big",
                  .path = files.path(app),
                  .executable = big,
                  .origin = "flathub",
                  .uninstall = {flatpak, "uninstall", "--user", "--noninteractive", "org.x.Big"},
              }));
    // Named by its id without an entry; no metadata, so no program to date it by.
    EXPECT_EQ(std::tuple(apps[1].name, apps[1].executable, apps[1].origin),
              std::tuple("Shared", "", ""));
    EXPECT_EQ(apps[1].uninstall, (std::vector<std::string>{flatpak, "uninstall", "--system",
                                                           "--noninteractive", "org.y.Shared"}));

    std::string pkexec = program("bin/pkexec");
    EXPECT_EQ(InstalledApp::find(sources)[1].uninstall,
              (std::vector<std::string>{pkexec, flatpak, "uninstall", "--system",
                                        "--noninteractive", "org.y.Shared"}))
        << "pkexec asks for the password a system-wide change needs";

    std::filesystem::remove(flatpak);
    EXPECT_TRUE(InstalledApp::find(sources).empty()) << "nothing can uninstall them";
}

TEST_F(AppSourcesTest, AppImagesInTheHomeFolderCountWhereverTheyAreRunFrom) {
    std::string tool = program("home/u/Apps/Tool-1.2-x86_64.AppImage");
    std::string toolEntry = entry("home/u/.local/share/applications/appimagekit-tool.desktop",
                                  "Tool", "Exec=\"" + tool + "\" %U\n");
    entry("home/u/.local/share/applications/vanished.desktop", "Vanished",
          "Exec=" + home + "/Apps/Gone.AppImage\n");
    std::string other = program("home/u/Applications/Other.AppImage");
    std::string real = program("home/u/Downloads/Real.AppImage");
    files.symlink(real, "home/u/Applications/Linked.AppImage");
    files.symlink(home + "/nowhere.AppImage", "home/u/Applications/Dangling.AppImage");
    files.symlink(program("elsewhere/Outside.AppImage"), "home/u/Applications/Outside.AppImage");
    std::string marked =
        write("home/u/Applications/marked", std::string("\x7f\x45LF\x02\x01\x01\0AI\x02 rest", 16));
    write("home/u/Applications/notes.txt", "notes");

    auto apps = InstalledApp::find(sources);
    ASSERT_EQ(apps.size(), 4u);
    EXPECT_EQ(apps[0], (InstalledApp{.kind = Kind::appImage,
                                     .name = "Tool",
                                     .id = "appimagekit-tool",
                                     .path = tool,
                                     .executable = tool,
                                     .desktopEntry = toolEntry}));
    EXPECT_EQ(std::pair(apps[1].path, apps[1].name), std::pair(real, std::string("Real")))
        << "a link counts where it leads, by that name";
    EXPECT_EQ(apps[2],
              (InstalledApp{
                  .kind = Kind::appImage, .name = "Other", .path = other, .executable = other}));
    EXPECT_EQ(std::pair(apps[3].path, apps[3].name), std::pair(marked, std::string("marked")))
        << "known by its mark, without the extension";
}

TEST_F(AppSourcesTest, OptFoldersCountOnlyWhenTheUsersOwnEntriesRunThem) {
    std::string tool = program("opt/tool/bin/tool");
    files.symlink(tool, "bin/tool");
    entry("usr/local/share/applications/tool.desktop", "Tool",
          "Exec=env GDK_BACKEND=x11 tool --new-window %U\n");
    program("opt/vendor/packaged");
    entry("usr/share/applications/packaged.desktop", "Packaged",
          "Exec=" + files.path("opt/vendor/packaged") + "\n");
    program("opt/loose");
    entry("home/u/.local/share/applications/loose.desktop", "Loose",
          "Exec=" + files.path("opt/loose") + "\n");

    auto apps = InstalledApp::find(sources);
    ASSERT_EQ(apps.size(), 1u) << "a package's entry, or a program directly in /opt, is no app";
    EXPECT_EQ(apps[0], (InstalledApp{.kind = Kind::optFolder,
                                     .name = "Tool",
                                     .id = "tool",
                                     .path = files.path("opt/tool"),
                                     .executable = tool}));
}
