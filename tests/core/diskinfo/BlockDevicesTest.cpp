#include "diskinfo/BlockDevices.h"

#include "DiskSamples.h"

#include <gtest/gtest.h>
#include <sstream>

using namespace tavelin;
using namespace tavelin::DiskInfo;
using namespace tavelin::test;

namespace {

using Volume = DiskBreakdown::Volume;

std::optional<DiskBreakdown> breakdown(const char* json, platform::MountFacts mount,
                                       platform::FileSystemFigures figures,
                                       std::vector<SwapFile> swaps = {}) {
    std::optional<std::vector<BlockDevice>> devices = parseBlockDevices(json);
    if (!devices)
        return std::nullopt;
    return breakdownFor(*devices, {std::move(mount), figures, std::move(swaps)});
}

platform::MountFacts mounted(std::string path, std::string source, std::string type = "ext4") {
    return {1, "/", std::move(path), std::move(type), std::move(source)};
}

// ext4 at "/" of the plain disk: 488 GiB of blocks, 400 GiB free, 376 GiB for users.
const platform::FileSystemFigures kRootFigures{488 * kGiB, 400 * kGiB, 376 * kGiB};

// The breakdown in one line, in bytes: the capacity, each volume (name, device, bytes in use,
// roles), then the reserve, the file system's own blocks, the unallocated space and what is
// free; "unaccounted" where the parts do not add up to the capacity.
std::string summary(const std::optional<DiskBreakdown>& disk) {
    if (!disk)
        return "none";
    std::ostringstream out;
    out.imbue(std::locale::classic());
    out << disk->capacity;
    for (const Volume& volume : disk->volumes) {
        out << " [" << volume.name << " " << volume.device << " " << volume.inUse;
        for (const std::string& role : volume.roles)
            out << " " << role;
        out << "]";
    }
    out << " reserved " << disk->reserved << " own " << disk->structures << " unallocated "
        << disk->unallocated << " free " << disk->free << " purgeable " << disk->purgeable;
    return out.str() + (accountedFor(*disk) == disk->capacity ? "" : " unaccounted");
}

} // namespace

// ext4 keeps its own blocks outside its block count; a boot partition is named by where it is
// mounted, whatever its label; LVM on LUKS is followed to the whole disk, its header and the
// volume group's free extents counted; scanning /home makes the root volume the system, all of
// it kept from /home; btrfs subvolumes are one volume found by any of its mount points.
TEST(BlockDevices, EachLayoutAddsUpToTheDisksSize) {
    struct Case {
        const char* json;
        platform::MountFacts mount;
        platform::FileSystemFigures figures;
        std::string expected;
    };
    const Case cases[] = {
        {kPlainExt4, mounted("/", "/dev/sda2"), kRootFigures,
         "549755813888 [/boot/efi sda1 536870912 Preboot] [root sda2 94489280512 Data System] "
         "[sda3 sda3 8589934592 VM] reserved 25769803776 own 8589934592 unallocated 8053063680 "
         "free 411779989504 purgeable 0"},
        {kLvmOnLuks,
         mounted("/", "/dev/mapper/vg-root"),
         {98 * kGiB, 60 * kGiB, 55 * kGiB},
         "1000204886016 [/boot/efi sda1 536870912 Preboot] [/boot sda2 1073741824 Preboot] [root "
         "mapper/vg-root 40802189312 Data System] [vg-swap mapper/vg-swap 17179869184 VM] [/home "
         "mapper/vg-home 858993459200] reserved 5368709120 own 2164260864 unallocated 15029985280 "
         "free 74085785600 purgeable 0"},
        {kLvmOnLuks,
         mounted("/home", "/dev/mapper/vg-home"),
         {790 * kGiB, 500 * kGiB, 460 * kGiB},
         "1000204886016 [/boot/efi sda1 536870912 Preboot] [/boot sda2 1073741824 Preboot] [root "
         "mapper/vg-root 107374182400 System] [vg-swap mapper/vg-swap 17179869184 VM] [/home "
         "mapper/vg-home 311385128960 Data] reserved 42949672960 own 10754195456 unallocated "
         "15029985280 free 508951224320 purgeable 0"},
        {kBtrfsSubvolumes,
         mounted("/home", "/dev/vda2", "btrfs"),
         {68449992704, 40 * kGiB, 39 * kGiB},
         "68719476736 [/boot/efi vda1 268435456 Preboot] [fedora vda2 25500319744 Data System] "
         "reserved 1073741824 own 0 unallocated 1048576 free 41876979712 purgeable 0"},
        {kNvmeAndData,
         mounted("/", "/dev/nvme0n1p2"),
         {230 * kGiB, 80 * kGiB, 70 * kGiB},
         "256060514304 [/boot/efi nvme0n1p1 536870912 Preboot] [root nvme0n1p2 161061273600 Data "
         "System] reserved 10737418240 own 8560926720 unallocated 2097152 free 75164024832 "
         "purgeable 0"},
        {kNvmeAndData,
         mounted("/mnt/data", "/dev/sda1"),
         {1800 * kGiB, 900 * kGiB, 800 * kGiB},
         "2000398934016 [Backup sda1 966367641600 Data] reserved 107374182400 own 67662512128 "
         "unallocated 1138688 free 858994597888 purgeable 0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mount.path + " on " + c.mount.source);
        EXPECT_EQ(summary(breakdown(c.json, c.mount, c.figures)), c.expected);
    }
    EXPECT_EQ(breakdown(kPlainExt4Older, mounted("/", "/dev/sda2"), kRootFigures),
              breakdown(kPlainExt4, mounted("/", "/dev/sda2"), kRootFigures))
        << "an older lsblk's output reads the same";
}

TEST(BlockDevices, BadOutputGivesNoBreakdown) {
    platform::MountFacts root = mounted("/", "/dev/sda2");
    for (const char* json : {"", "not json", "[]", R"({"blockdevices": 3})", "{\"blockdevices\": [",
                             R"({"blockdevices": []})", R"({"blockdevices": [1, "x", null]})"})
        EXPECT_FALSE(breakdown(json, root, kRootFigures)) << json;
    EXPECT_FALSE(breakdown(kPlainExt4, mounted("/mnt/gone", "/dev/sdb1"), kRootFigures))
        << "the disk disappeared between mounting and listing";
    EXPECT_FALSE(breakdown(R"({"blockdevices": [{"name": "sda", "type": "disk",
                                "children": [{"name": "sda1", "path": "/dev/sda2",
                                              "size": 100, "mountpoints": ["/"]}]}]})",
                           root, kRootFigures))
        << "a disk without a size";
    EXPECT_FALSE(breakdown(R"({"blockdevices": [{"name": "sda", "type": "disk", "size": -5,
                                "path": "/dev/sda2"}]})",
                           root, kRootFigures));
    EXPECT_FALSE(breakdown(kPlainExt4, root, {0, 0, 0})) << "a file system without blocks";

    // The file system's device `levels` deep: lsblk's trees are a few levels, deeper is not its.
    auto nested = [](int levels) {
        std::string json = R"({"blockdevices": [)";
        for (int level = 0; level < levels; ++level)
            json += R"({"name": "d", "type": "disk", "size": 100, "children": [)";
        json += R"({"name": "p", "path": "/dev/sda2", "size": 100})";
        for (int level = 0; level <= levels; ++level)
            json += "]}";
        return json;
    };
    EXPECT_TRUE(breakdown(nested(16).c_str(), root, kRootFigures));
    EXPECT_FALSE(breakdown(nested(17).c_str(), root, kRootFigures));
}

TEST(BlockDevices, SwapListKeepsOnlyFilesWithTheirSizesInBytes) {
    std::string swaps = "Filename\t\t\t\tType\t\tSize\t\tUsed\t\tPriority\n"
                        "/dev/sda3                               partition\t8388604\t\t0\t\t-2\n"
                        "/swap\\040file                           file\t\t4194300\t\t12\t\t-3\n"
                        "/dev/zram0                              partition\t1000\t\t0\t\t100\n"
                        "garbage line\n"
                        "/x file notanumber 0 -1\n";
    EXPECT_EQ(parseSwapFiles(swaps), (std::vector<SwapFile>{{"/swap file", 4194300 * 1024LL}}));
    EXPECT_TRUE(parseSwapFiles("").empty());
}
