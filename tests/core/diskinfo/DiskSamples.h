#pragma once

// lsblk output for the disk layouts the breakdown must understand, written for these tests.

#include "diskinfo/DiskBreakdown.h"

#include <cstdint>

namespace tavelin::test {

constexpr int64_t kMiB = int64_t{1} << 20;
constexpr int64_t kGiB = int64_t{1} << 30;

// A SATA disk with an EFI partition, ext4 at "/" and a swap partition, 7.5 GiB left
// unpartitioned; an optical drive and a snap's squashfs beside it.
constexpr const char* kPlainExt4 = R"({
   "blockdevices": [
      {"name": "loop0", "path": "/dev/loop0", "type": "loop", "size": 58363904, "fstype": "squashfs",
       "fsused": 58363904, "fsavail": 0, "mountpoints": ["/snap/core/1"], "label": null, "pkname": null},
      {"name": "sda", "path": "/dev/sda", "type": "disk", "size": 549755813888, "fstype": null,
       "fsused": null, "fsavail": null, "mountpoints": [null], "label": null, "pkname": null,
       "children": [
          {"name": "sda1", "path": "/dev/sda1", "type": "part", "size": 536870912, "fstype": "vfat",
           "fsused": 6291456, "fsavail": 530579456, "mountpoints": ["/boot/efi"], "label": null,
           "pkname": "sda"},
          {"name": "sda2", "path": "/dev/sda2", "type": "part", "size": 532575944704,
           "fstype": "ext4", "fsused": 94489280512, "fsavail": 403726925824, "mountpoints": ["/"],
           "label": null, "pkname": "sda"},
          {"name": "sda3", "path": "/dev/sda3", "type": "part", "size": 8589934592, "fstype": "swap",
           "fsused": null, "fsavail": null, "mountpoints": ["[SWAP]"], "label": null, "pkname": "sda"}
       ]},
      {"name": "sr0", "path": "/dev/sr0", "type": "rom", "size": 1073741312, "fstype": null,
       "fsused": null, "fsavail": null, "mountpoints": [null], "label": null, "pkname": null}
   ]
})";

// The same disk as an lsblk older than util-linux 2.37 prints it: one "mountpoint", sizes
// as texts.
constexpr const char* kPlainExt4Older = R"({"blockdevices": [
   {"name": "sda", "path": "/dev/sda", "type": "disk", "size": "549755813888", "fstype": null,
    "mountpoint": null, "label": null, "pkname": null, "children": [
      {"name": "sda1", "path": "/dev/sda1", "type": "part", "size": "536870912",
       "fstype": "vfat", "mountpoint": "/boot/efi", "label": null, "pkname": "sda"},
      {"name": "sda2", "path": "/dev/sda2", "type": "part", "size": "532575944704",
       "fstype": "ext4", "mountpoint": "/", "label": null, "pkname": "sda"},
      {"name": "sda3", "path": "/dev/sda3", "type": "part", "size": "8589934592",
       "fstype": "swap", "mountpoint": "[SWAP]", "label": null, "pkname": "sda"}]}]})";

// EFI and /boot partitions, then LUKS holding an LVM volume group with root, swap and home
// and 14 GiB not given to any logical volume; lsblk's columns the breakdown does not read are
// left out from here on.
constexpr const char* kLvmOnLuks = R"({"blockdevices": [
   {"name": "sda", "path": "/dev/sda", "type": "disk", "size": 1000204886016, "children": [
      {"name": "sda1", "path": "/dev/sda1", "type": "part", "size": 536870912, "fstype": "vfat",
       "mountpoints": ["/boot/efi"], "label": "EFI"},
      {"name": "sda2", "path": "/dev/sda2", "type": "part", "size": 1073741824, "fstype": "ext4",
       "mountpoints": ["/boot"]},
      {"name": "sda3", "path": "/dev/sda3", "type": "part", "size": 998592176128, "children": [
         {"name": "luks-5d1c", "path": "/dev/mapper/luks-5d1c", "type": "crypt",
          "size": 998575398912, "children": [
            {"name": "vg-root", "path": "/dev/mapper/vg-root", "type": "lvm",
             "size": 107374182400, "fstype": "ext4", "mountpoints": ["/"]},
            {"name": "vg-swap", "path": "/dev/mapper/vg-swap", "type": "lvm",
             "size": 17179869184, "fstype": "swap", "mountpoints": ["[SWAP]"]},
            {"name": "vg-home", "path": "/dev/mapper/vg-home", "type": "lvm",
             "size": 858993459200, "fstype": "ext4", "mountpoints": ["/home"]}]}]}]}]})";

// One btrfs partition mounted at "/", "/home", "/.snapshots" and "/var/log" through its
// subvolumes, beside a labelled EFI partition.
constexpr const char* kBtrfsSubvolumes = R"({"blockdevices": [
   {"name": "vda", "path": "/dev/vda", "type": "disk", "size": 68719476736, "children": [
      {"name": "vda1", "path": "/dev/vda1", "type": "part", "size": 268435456, "fstype": "vfat",
       "mountpoints": ["/boot/efi"], "label": "ESP"},
      {"name": "vda2", "path": "/dev/vda2", "type": "part", "size": 68449992704,
       "fstype": "btrfs", "mountpoints": ["/home", "/", "/.snapshots", "/var/log"],
       "label": "fedora"}]}]})";

// An NVMe system disk beside a SATA data disk mounted at "/mnt/data".
constexpr const char* kNvmeAndData = R"({"blockdevices": [
   {"name": "sda", "path": "/dev/sda", "type": "disk", "size": 2000398934016, "children": [
      {"name": "sda1", "path": "/dev/sda1", "type": "part", "size": 2000397795328,
       "fstype": "ext4", "mountpoints": ["/mnt/data"], "label": "Backup"}]},
   {"name": "nvme0n1", "path": "/dev/nvme0n1", "type": "disk", "size": 256060514304, "children": [
      {"name": "nvme0n1p1", "path": "/dev/nvme0n1p1", "type": "part", "size": 536870912,
       "fstype": "vfat", "mountpoints": ["/boot/efi"]},
      {"name": "nvme0n1p2", "path": "/dev/nvme0n1p2", "type": "part", "size": 255521546240,
       "fstype": "ext4", "mountpoints": ["/"]}]}]})";

// What the breakdown's parts add up to: the disk's capacity when nothing is lost or counted twice.
inline int64_t accountedFor(const DiskBreakdown& breakdown) {
    int64_t sum = breakdown.reserved + breakdown.structures + breakdown.free;
    for (const DiskBreakdown::Volume& volume : breakdown.volumes)
        sum += volume.inUse;
    return sum;
}

} // namespace tavelin::test
