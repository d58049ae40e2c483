#pragma once

#include "history/Change.h"
#include "history/ScanRecord.h"

#include <cstdint>
#include <vector>

namespace tavelin::History {

// What grew or shrank by at least `floor` bytes between two records of a location, largest
// change first, at most `limit` of them; equal changes are ordered by path. The root is never
// listed, and a folder is left out when one of its listed children moved the same way and
// accounts for at least 80 % of the folder's change.
std::vector<Change> changes(const ScanRecord& from, const ScanRecord& to, int64_t floor, int limit);

} // namespace tavelin::History
