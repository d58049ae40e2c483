#pragma once

// Last-used dates of items, for the advisor's detectors. Here the date an item was last opened
// is its access time; folders have none, because listing a folder (as every scan and indexer
// does) touches its access time without anyone using it.
//
// Answers are kept in one process-wide cache, guarded by its own mutex (never held together
// with another lock): detector passes on background threads ask for the same paths run after
// run. The cache is emptied whenever it reaches 50,001 entries, which bounds it at about 50,000.

#include "util/Dates.h"

#include <optional>
#include <string>

namespace tavelin::Spotlight {

// The last time the item at `path` was opened; nothing for a folder, an item that cannot be
// examined, or one on a file system that keeps no access times. Cached, absences included.
std::optional<Date> lastUsed(const std::string& path);

// Forgets every cached answer (tests, and a fresh start).
void clearCache();

} // namespace tavelin::Spotlight
