#pragma once

// What the advisor's detectors learn about the user's things beyond the tree: when items were
// last used, and which applications are installed.
//
// The date an item was last opened is its access time; folders have none, because listing a
// folder (as every scan and indexer does) touches its access time without anyone using it.
//
// Last-used answers are kept in one process-wide cache, guarded by its own mutex (never held
// together with another lock): detector passes on background threads ask for the same paths run
// after run. The cache is emptied whenever it reaches 50,001 entries, which bounds it at about
// 50,000.

#include "platform/InstalledApp.h"
#include "util/Dates.h"

#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

namespace tavelin::Spotlight {

// The last time the item at `path` was opened; nothing for a folder, an item that cannot be
// examined, or one on a file system that keeps no access times. Cached, absences included.
std::optional<Date> lastUsed(const std::string& path);

// Forgets every cached answer (tests, and a fresh start).
void clearCache();

// The applications the user whose home folder is `home` installed and can remove as one item
// (Flatpak apps, AppImages, their own folders in /opt), from the desktop's live sources. Names
// are shown to the user: one that is not UTF-8 gives way to the app's file name, and an app
// with neither is left out.
std::vector<platform::InstalledApp> installedApps(const std::string& home);

// The names and desktop file ids (without ".desktop"; reverse-DNS ids such as
// "org.gnome.Maps" read as bundle identifiers) of every application whose desktop entry counts,
// installed by any means. Texts that are not UTF-8 are left out.
std::unordered_set<std::string> installedIdentifiers(const std::string& home);

} // namespace tavelin::Spotlight
