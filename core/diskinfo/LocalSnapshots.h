#pragma once

// Lists of local snapshots as the snapshot tools print them. Times are wall-clock times in the
// local time zone; lines or entries that cannot be read are passed over.

#include "util/Dates.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavelin::DiskInfo {

// One snapshot as a tool names it, so that it can be deleted again.
struct LocalSnapshot {
    Date date;
    std::string id;     // a btrfs subvolume id, or a snapper snapshot number
    std::string config; // the snapper configuration it belongs to; empty for btrfs
    std::string path;   // btrfs: where it lies below the file system's top; empty for snapper
    bool operator==(const LocalSnapshot&) const = default;
};

// The dates in the backup tool's snapshot list: in each line the first
// "yyyy-MM-dd-HHmmss" (com.apple.TimeMachine.2025-03-09-101500.local), oldest first.
std::vector<Date> parseLocalSnapshots(std::string_view text);

// The snapshots in snapper's JSON list of every configuration ("snapper --jsonout list -a"),
// leaving out the live file system (number 0), the snapshot the system runs from or boots
// next ("active", "default"), and configurations whose subvolume `belongs` refuses. Nothing
// when the text is not such a list.
std::optional<std::vector<LocalSnapshot>>
parseSnapperList(std::string_view json, const std::function<bool(const std::string&)>& belongs);

// The snapshots in "btrfs subvolume list -s -r" output, one per line:
// "ID 257 gen 9 cgen 9 top level 5 otime 2025-03-09 10:15:00 path snaps/one".
std::vector<LocalSnapshot> parseSubvolumeList(std::string_view text);

// Dates of a snapshot list, oldest first.
std::vector<Date> datesOf(const std::vector<LocalSnapshot>& snapshots);

} // namespace tavelin::DiskInfo
