#pragma once

// The folders the system guards behind full disk access, and the probe that tells whether the
// process may read them. Paths are given, not looked up, so that callers (and tests) choose the
// home folder.

#include "util/StringHash.h"

#include <array>
#include <string>
#include <string_view>

namespace tavelin::Privacy {

// The guarded folders, relative to a home folder, in the order they are checked.
inline constexpr std::array<std::string_view, 32> kProtectedFolders{
    "Desktop",
    "Documents",
    "Downloads",
    "Pictures/Photos Library.photoslibrary",
    "Music/Music",
    "Music/iTunes",
    "Movies/TV",
    "Library/Mobile Documents",
    "Library/CloudStorage",
    "Library/Containers",
    "Library/Group Containers",
    "Library/Mail",
    "Library/Messages",
    "Library/Safari",
    "Library/Calendars",
    "Library/Cookies",
    "Library/HomeKit",
    "Library/IdentityServices",
    "Library/Metadata/CoreSpotlight",
    "Library/Suggestions",
    "Library/Biome",
    "Library/Accounts",
    "Library/Sharing",
    "Library/Autosave Information",
    "Library/Application Support/AddressBook",
    "Library/Application Support/CallHistoryDB",
    "Library/Application Support/CallHistoryTransactions",
    "Library/Application Support/com.apple.TCC",
    "Library/Application Support/MobileSync",
    "Library/Application Support/Knowledge",
    "Library/Application Support/com.apple.sharedfilelist",
    "Library/Application Support/FaceTime",
};

// The user's home folder (platform::homeFolder), standardized; read once.
const std::string& userHome();

// Whether one of the files only full disk access can open (two under `home`, one system-wide)
// opens for reading. Any failure to open counts as no access.
[[nodiscard]] bool hasFullDiskAccess(std::string_view home);

// The protected folders a scan of `scanning` would reach, both as seen under `home` and through
// "/System/Volumes/Data". Empty when `scanning` is itself a protected folder or lies inside one:
// the user asked for that folder. Both paths are standardized first.
[[nodiscard]] PathSet foldersToSkip(std::string_view scanning, std::string_view home);

// The name a file manager shows for a path: "Computer" for "/", else its last component.
std::string displayName(std::string_view path);

} // namespace tavelin::Privacy
