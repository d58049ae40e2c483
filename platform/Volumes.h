#pragma once

// The mounted disks a user would recognise: real file systems read from the mount table, one entry
// per device, with their capacity. Pseudo file systems (proc, tmpfs, overlay, squashfs…) and
// extra mounts of a device already listed (bind mounts) are left out.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavelin::platform {

struct Volume {
    std::string id; // the mount path
    std::string name;
    std::string scanPath; // the mount path
    int64_t total = 0;
    int64_t free = 0; // available to unprivileged users
    bool isBoot = false;
    bool isReadOnly = false;
    int64_t reserved = 0; // free blocks kept back for root, neither used nor free for users
    bool operator==(const Volume&) const = default;

    // What files take, as df counts it: the reserve is neither used nor free.
    int64_t used() const;
    // The used share as df's "Use%" reckons it: used over what users could fill, 0 when the
    // disk reports nothing.
    double usedShare() const;
};

struct VolumeCapacity {
    int64_t total = 0;
    int64_t free = 0;
    int64_t reserved = 0;
};

// What parsing needs from the system, injectable so that tests can supply their own figures.
struct VolumeLookups {
    // The capacity of the file system mounted at a path; nothing when it cannot be read.
    std::function<std::optional<VolumeCapacity>(const std::string& mountPath)> capacity;
    // The file system label of a mount source such as "/dev/sda1"; nothing when it has none.
    std::function<std::optional<std::string>(const std::string& source)> label;
};

// One line of the mount table: where a file system is mounted, its type and what it was mounted
// from ("/dev/sda2", "tmpfs", "server:/export"), with the table's escapes decoded.
struct MountFacts {
    uint64_t id = 0;
    std::string root; // the folder of the file system mounted there ("/@home" for a subvolume)
    std::string path;
    std::string type;
    std::string source;
    bool operator==(const MountFacts&) const = default;
};

// Every mount in the text of /proc/self/mountinfo, in its order; malformed lines are skipped.
std::vector<MountFacts> parseMounts(std::string_view mountinfo);
// The mount with this id in the text of /proc/self/mountinfo; nothing when no line has it.
std::optional<MountFacts> findMount(std::string_view mountinfo, uint64_t id);
// The mounts of this process now.
std::vector<MountFacts> readMounts();

// A field of the kernel's mount or swap table with its octal escapes ("\040" for a space)
// decoded.
std::string decodedTableField(std::string_view field);

// The mount holding `path` (the path's own mount id, so bind mounts and btrfs subvolumes are
// told apart); nothing when the path cannot be examined.
std::optional<MountFacts> mountOf(const std::string& path);

// Whether two paths lie on one file system: on one mount, or on two mounts of one device (bind
// mounts, btrfs subvolumes mounted apart). Nothing when either cannot be examined.
std::optional<bool> onOneFileSystem(const std::string& a, const std::string& b);

// The volumes described by the text of /proc/self/mountinfo: for each device the mount with the
// shortest path, kept when its capacity is known and at least 1 byte. Named by label, else
// "Computer" for "/", else the mount path's last component. Ordered boot first, then writable,
// then read-only volumes, each group by name. Malformed lines are skipped.
std::vector<Volume> parseVolumes(std::string_view mountinfo, const VolumeLookups& lookups);

// The volumes mounted now, with labels from /dev/disk/by-label and capacities from statvfs.
std::vector<Volume> readVolumes();

// Labels found in a folder of symbolic links named after labels (udev's /dev/disk/by-label), keyed
// by the canonical path of the device each link resolves to; "\xHH" escapes in names are decoded.
// Empty when the folder cannot be read.
std::map<std::string, std::string> readLabels(const std::filesystem::path& folder);

// A file system's blocks in bytes, from statvfs: all of them, the free ones, and the free ones
// ordinary users may fill (the rest of the free blocks are kept back for root).
struct FileSystemFigures {
    int64_t total = 0;
    int64_t free = 0;
    int64_t available = 0;
    bool operator==(const FileSystemFigures&) const = default;

    // The blocks files take, as df counts them.
    int64_t used() const { return total > free ? total - free : 0; }
    // The free blocks kept back for root.
    int64_t reserved() const { return free > available ? free - available : 0; }
};

// The figures of the file system holding `path`; nothing when the path cannot be examined.
std::optional<FileSystemFigures> readFileSystemFigures(const std::string& path);

// The capacity of the file system holding `path`, from statvfs: total blocks, the blocks
// available to unprivileged users and the reserve, in bytes. Nothing when the path cannot be
// examined.
std::optional<VolumeCapacity> readCapacity(const std::string& path);

// The bytes available to unprivileged users on the file system holding `path`.
std::optional<int64_t> availableBytes(const std::string& path);

} // namespace tavelin::platform
