#pragma once

// Where a whole disk's space goes, asked of the system's disk and snapshot tools, and the
// deletion of local snapshots. Where the APFS disk tool exists its property list is read;
// elsewhere the Linux tools are: lsblk for the disk's layout, statvfs for the file system's
// figures, /proc/swaps for swap files, and for btrfs snapper (when it manages the file system)
// or "btrfs subvolume list" for the read-only snapshots.
//
// Every call runs child processes and waits for them (each with a time limit): call from a
// background thread. Failures give no breakdown rather than a partial one; only the snapshot
// list may come back empty, with `snapshotListing` saying why.

#include "diskinfo/DiskBreakdown.h"
#include "diskinfo/DiskSystem.h"

#include <optional>
#include <string>

namespace tavelin::DiskInfo {

// The device a path's file system is mounted from, without "/dev/" (disk3s1s1, sda2,
// mapper/vg-root); nothing for file systems that come from no device (tmpfs, overlay, network
// and most FUSE file systems) or when the path cannot be examined.
std::optional<std::string> device(const std::string& path, const DiskSystem& system);

std::optional<DiskBreakdown> load(const std::string& path, const DiskSystem& system);

// Deletes the local snapshots of the file system holding `path`; nothing on success, else the
// reason as a sentence fragment the user reads after "Couldn’t delete them: ". The btrfs tool
// runs through pkexec when the process is not root, so the user is asked for a password.
std::optional<std::string> deleteLocalSnapshots(const std::string& path, const DiskSystem& system);

} // namespace tavelin::DiskInfo
