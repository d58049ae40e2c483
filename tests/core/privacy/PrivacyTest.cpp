#include "privacy/Privacy.h"

#include "support/TemporaryFolder.h"
#include "support/TextFiles.h"
#include "util/Paths.h"

#include <gtest/gtest.h>

using tavelin::PathSet;
using tavelin::Privacy::foldersToSkip;
using tavelin::Privacy::kProtectedFolders;
using tavelin::test::TemporaryFolder;

namespace {

constexpr std::string_view kHome = "/home/ada";
constexpr std::string_view kDataHome = "/System/Volumes/Data/home/ada";

// The protected folders under `base` whose relative path starts with `within`.
PathSet protectedUnder(std::string_view base, std::string_view within = "") {
    PathSet paths;
    for (std::string_view folder : kProtectedFolders) {
        if (folder.starts_with(within))
            paths.insert(tavelin::joinPath(base, folder));
    }
    return paths;
}

} // namespace

TEST(Privacy, ScanningAboveProtectedFoldersSkipsThoseItReaches) {
    EXPECT_EQ(foldersToSkip(kHome, kHome), protectedUnder(kHome));
    EXPECT_EQ(foldersToSkip("/home", kHome), protectedUnder(kHome));
    EXPECT_EQ(foldersToSkip("/home/ada/", "/home//ada/"), protectedUnder(kHome)) << "standardized";
    EXPECT_EQ(foldersToSkip(kDataHome, kHome), protectedUnder(kDataHome));
    EXPECT_EQ(foldersToSkip("/home/ada/Library/Application Support", kHome),
              protectedUnder(kHome, "Library/Application Support/"));
    EXPECT_TRUE(foldersToSkip("/", "/").contains("/Desktop"));

    PathSet both = protectedUnder(kHome);
    both.merge(protectedUnder(kDataHome));
    EXPECT_EQ(both.size(), 64u);
    EXPECT_EQ(foldersToSkip("/", kHome), both) << "the whole disk reaches both forms";
}

TEST(Privacy, AProtectedFolderItselfOrOneOutsideTheHomeSkipsNothing) {
    for (const char* scanning :
         {"/home/ada/Documents", "/home/ada/Documents/Taxes", "/home/ada/Music/../Documents/",
          "/System/Volumes/Data/home/ada/Library/Mail/V10", "/srv/media", "/home/adam",
          "/home/ada/Desktops"})
        EXPECT_TRUE(foldersToSkip(scanning, kHome).empty()) << scanning;
}

TEST(Privacy, AccessIsGrantedOnceAGuardedFileOpens) {
    TemporaryFolder home;
    EXPECT_FALSE(tavelin::Privacy::hasFullDiskAccess(home.string()));
    tavelin::test::writeText(home.path() / "Library/Safari/Bookmarks.plist", "x");
    EXPECT_TRUE(tavelin::Privacy::hasFullDiskAccess(home.string()));

    TemporaryFolder other;
    tavelin::test::writeText(other.path() / "Library/Application Support/com.apple.TCC/TCC.db",
                             "x");
    EXPECT_TRUE(tavelin::Privacy::hasFullDiskAccess(other.string()));
}

TEST(Privacy, DisplayNameCallsTheRootComputer) {
    EXPECT_EQ(tavelin::Privacy::displayName("/"), "Computer");
    EXPECT_EQ(tavelin::Privacy::displayName("/home/ada/Music"), "Music");
}
