#include "privacy/Privacy.h"

#include "support/TemporaryFolder.h"
#include "util/Paths.h"

#include <fstream>
#include <gtest/gtest.h>

using tavelin::PathSet;
using tavelin::Privacy::foldersToSkip;
using tavelin::Privacy::kProtectedFolders;
using tavelin::test::TemporaryFolder;
namespace fs = std::filesystem;

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

PathSet unionOf(PathSet first, const PathSet& second) {
    first.insert(second.begin(), second.end());
    return first;
}

void touch(const fs::path& file) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << "x";
}

} // namespace

TEST(Privacy, ScanningAboveProtectedFoldersSkipsThoseItReaches) {
    EXPECT_EQ(foldersToSkip(kHome, kHome), protectedUnder(kHome));
    EXPECT_EQ(foldersToSkip("/home", kHome), protectedUnder(kHome));
    EXPECT_EQ(foldersToSkip(kDataHome, kHome), protectedUnder(kDataHome));
    EXPECT_EQ(foldersToSkip("/home/ada/Library/Application Support", kHome),
              protectedUnder(kHome, "Library/Application Support/"));
}

TEST(Privacy, ScanningTheWholeDiskSkipsBothFormsOfEveryFolder) {
    auto skipped = foldersToSkip("/", kHome);
    EXPECT_EQ(skipped.size(), 64u);
    EXPECT_EQ(skipped, unionOf(protectedUnder(kHome), protectedUnder(kDataHome)));
}

TEST(Privacy, AProtectedFolderAskedForItselfSkipsNothing) {
    EXPECT_TRUE(foldersToSkip("/home/ada/Documents", kHome).empty());
    EXPECT_TRUE(foldersToSkip("/home/ada/Documents/Taxes", kHome).empty());
    EXPECT_TRUE(foldersToSkip("/System/Volumes/Data/home/ada/Library/Mail/V10", kHome).empty());
}

TEST(Privacy, FoldersOutsideTheHomeSkipNothing) {
    EXPECT_TRUE(foldersToSkip("/srv/media", kHome).empty());
    EXPECT_TRUE(foldersToSkip("/home/adam", kHome).empty());
    EXPECT_TRUE(foldersToSkip("/home/ada/Desktops", kHome).empty());
}

TEST(Privacy, PathsAreComparedStandardized) {
    EXPECT_EQ(foldersToSkip("/home/ada/", "/home//ada/"), protectedUnder(kHome));
    EXPECT_TRUE(foldersToSkip("/home/ada/Music/../Documents/", kHome).empty());
    EXPECT_TRUE(foldersToSkip("/", "/").contains("/Desktop"));
}

TEST(Privacy, AccessIsGrantedOnceAGuardedFileOpens) {
    TemporaryFolder home;
    EXPECT_FALSE(tavelin::Privacy::hasFullDiskAccess(home.string()));
    touch(home.path() / "Library/Safari/Bookmarks.plist");
    EXPECT_TRUE(tavelin::Privacy::hasFullDiskAccess(home.string()));

    TemporaryFolder other;
    touch(other.path() / "Library/Application Support/com.apple.TCC/TCC.db");
    EXPECT_TRUE(tavelin::Privacy::hasFullDiskAccess(other.string()));
}

TEST(Privacy, DisplayNameCallsTheRootComputer) {
    EXPECT_EQ(tavelin::Privacy::displayName("/"), "Computer");
    EXPECT_EQ(tavelin::Privacy::displayName("/home/ada/Music"), "Music");
}
