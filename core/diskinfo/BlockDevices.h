#pragma once

// A Linux disk's layout as lsblk describes it in JSON, and the breakdown of the disk holding a
// mounted file system: its partitions and logical volumes, through dm-crypt and LVM, down to
// the file systems and swap areas.

#include "diskinfo/DiskBreakdown.h"
#include "platform/Volumes.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavelin::DiskInfo {

struct BlockDevice {
    std::string name;
    std::string path;
    std::string type;  // disk, part, crypt, lvm, loop, raid1…
    int64_t size = -1; // -1: unknown
    std::string fsType;
    std::string label;
    std::vector<std::string> mountPoints; // "[SWAP]" for an active swap area
    std::vector<BlockDevice> children;
};

// The devices of "lsblk --json --bytes" output, as a tree. Mount points come from
// "mountpoints" or, from an older lsblk, "mountpoint"; sizes may be numbers or numeric texts.
// Nothing when the text is not JSON with a "blockdevices" array.
std::optional<std::vector<BlockDevice>> parseBlockDevices(std::string_view json);

// An active swap file, from /proc/swaps.
struct SwapFile {
    std::string path;
    int64_t size = 0;
    bool operator==(const SwapFile&) const = default;
};

// The swap files listed in the text of /proc/swaps; swap partitions are left out.
std::vector<SwapFile> parseSwapFiles(std::string_view text);

// What is known of the file system a breakdown is for.
struct DataFileSystem {
    platform::MountFacts mount;
    platform::FileSystemFigures figures;
    // Swap files inside it: they are the system's, not the user's.
    std::vector<SwapFile> swapFiles;
};

// The breakdown of the whole disk under the file system: capacity is the disk's size; every
// leaf device is a volume (the file system's own is "Data" and holds its used blocks; the
// others hold their whole size); free is what ordinary users may still fill plus the space
// outside every partition and logical volume. Nothing when no device carries the file system
// or a size needed is unknown. Snapshots are left empty.
std::optional<DiskBreakdown> breakdownFor(const std::vector<BlockDevice>& devices,
                                          const DataFileSystem& data);

} // namespace tavelin::DiskInfo
