#pragma once

// Where a whole disk's space goes beyond the user's files: the disk's volumes with the space
// each takes, its free space, its local snapshots and the space the system holds back.
//
// On Linux the disk is the block device under a path's file system, its volumes are the
// partitions and logical volumes on it, and three figures have no counterpart elsewhere: the
// blocks the file system reserves for root, the space spent on the disk's own structures, and
// the part of the free space that no partition holds yet. With every figure known they add up
// to `capacity`.

#include "util/Dates.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tavelin {

// What is known of the disk's local snapshots beyond their dates.
enum class SnapshotListing {
    listed,      // the dates are all there is (possibly none)
    unsupported, // the file system keeps no snapshots
    needsRoot,   // listing them needs administrator rights the program lacks
    failed,      // the snapshot tool did not answer
};

struct DiskBreakdown {
    struct Volume {
        std::string name;
        // "System", "Data", "VM" (swap), "Preboot" (boot files), "Recovery", "Update"…
        std::vector<std::string> roles;
        int64_t inUse = 0;
        // The device identifier: disk3s5, or on Linux the device path after "/dev/" (sda2,
        // mapper/vg-root), or the path of a swap file.
        std::string device;
        bool operator==(const Volume&) const = default;
    };

    int64_t capacity = 0;
    int64_t free = 0;
    std::vector<Volume> volumes;
    // Oldest first.
    std::vector<Date> snapshots;
    int64_t purgeable = 0;
    SnapshotListing snapshotListing = SnapshotListing::listed;
    // Blocks the data volume's file system keeps back from ordinary users.
    int64_t reserved = 0;
    // Partition tables, encryption headers and the file systems' own structures.
    int64_t structures = 0;
    // The part of `free` outside every partition and logical volume.
    int64_t unallocated = 0;

    bool operator==(const DiskBreakdown&) const = default;

    // The volume that is the device, else the one the device is a snapshot of (disk3s1 for
    // disk3s1s1), else the first with the "Data" role; nothing when none is.
    std::optional<Volume> dataVolume(const std::string& device) const;
    // Every volume holding space other than the data volume, largest first.
    std::vector<Volume> otherVolumes(const std::string& device) const;
};

} // namespace tavelin
