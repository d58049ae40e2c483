#include "diskinfo/BlockDevices.h"

#include "DiskSamples.h"

#include <gtest/gtest.h>

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

} // namespace

TEST(BlockDevices, PlainExt4DiskAddsUpToTheDisksSize) {
    auto result = breakdown(kPlainExt4, mounted("/", "/dev/sda2"), kRootFigures);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->capacity, 512 * kGiB);
    std::vector<Volume> expected{
        {"/boot/efi", {"Preboot"}, 512 * kMiB, "sda1"},
        {"root", {"Data", "System"}, 88 * kGiB, "sda2"},
        {"sda3", {"VM"}, 8 * kGiB, "sda3"},
    };
    EXPECT_EQ(result->volumes, expected);
    EXPECT_EQ(result->reserved, 24 * kGiB);
    EXPECT_EQ(result->structures, 8 * kGiB) << "ext4's own blocks lie outside its block count";
    EXPECT_EQ(result->unallocated, 7 * kGiB + 512 * kMiB);
    EXPECT_EQ(result->free, 376 * kGiB + result->unallocated);
    EXPECT_EQ(result->purgeable, 0);
    EXPECT_EQ(accountedFor(*result), result->capacity);
    EXPECT_EQ(breakdown(kPlainExt4Older, mounted("/", "/dev/sda2"), kRootFigures), result)
        << "an older lsblk's output reads the same";
}

TEST(BlockDevices, LvmOnLuksFollowsTheChainToTheWholeDisk) {
    auto result = breakdown(kLvmOnLuks, mounted("/", "/dev/mapper/vg-root"),
                            {98 * kGiB, 60 * kGiB, 55 * kGiB});
    ASSERT_TRUE(result);
    EXPECT_EQ(result->capacity, 1000204886016);
    std::vector<Volume> expected{
        {"/boot/efi", {"Preboot"}, 512 * kMiB, "sda1"},
        {"/boot", {"Preboot"}, kGiB, "sda2"},
        {"root", {"Data", "System"}, 38 * kGiB, "mapper/vg-root"},
        {"vg-swap", {"VM"}, 16 * kGiB, "mapper/vg-swap"},
        {"/home", {}, 800 * kGiB, "mapper/vg-home"},
    };
    EXPECT_EQ(result->volumes, expected);
    EXPECT_EQ(result->structures, 16 * kMiB + 2 * kGiB) << "the LUKS header and ext4's own";
    EXPECT_EQ(result->unallocated, 2 * kMiB + 15027888128)
        << "the partition table's gaps and the volume group's free extents";
    EXPECT_EQ(result->free, 55 * kGiB + result->unallocated);
    EXPECT_EQ(accountedFor(*result), result->capacity);
}

TEST(BlockDevices, ScanningHomeMakesTheRootVolumeTheSystem) {
    auto result = breakdown(kLvmOnLuks, mounted("/home", "/dev/mapper/vg-home"),
                            {790 * kGiB, 500 * kGiB, 460 * kGiB});
    ASSERT_TRUE(result);
    auto data = result->dataVolume("mapper/vg-home");
    ASSERT_TRUE(data);
    EXPECT_EQ(data->inUse, 290 * kGiB);
    auto others = result->otherVolumes("mapper/vg-home");
    ASSERT_FALSE(others.empty());
    EXPECT_EQ(others.front().device, "mapper/vg-root");
    EXPECT_EQ(others.front().roles, std::vector<std::string>{"System"});
    EXPECT_EQ(others.front().inUse, 100 * kGiB) << "the whole volume is kept from /home";
    EXPECT_EQ(accountedFor(*result), result->capacity);
}

TEST(BlockDevices, BtrfsSubvolumesAreOneVolumeFoundByAnyOfItsMountPoints) {
    platform::FileSystemFigures figures{68449992704, 40 * kGiB, 39 * kGiB};
    auto result = breakdown(kBtrfsSubvolumes, mounted("/home", "/dev/vda2", "btrfs"), figures);
    ASSERT_TRUE(result);
    ASSERT_EQ(result->volumes.size(), 2u);
    EXPECT_EQ(result->volumes[0], (Volume{"/boot/efi", {"Preboot"}, 256 * kMiB, "vda1"}))
        << "a boot partition is named by where it is mounted, whatever its label";
    EXPECT_EQ(result->volumes[1].name, "fedora");
    EXPECT_EQ(result->volumes[1].roles, (std::vector<std::string>{"Data", "System"}));
    EXPECT_EQ(result->structures, 0);
    EXPECT_EQ(result->reserved, kGiB);
    EXPECT_EQ(accountedFor(*result), result->capacity);
}

TEST(BlockDevices, NvmeNamesAndASecondDiskAreToldApart) {
    auto system = breakdown(kNvmeAndData, mounted("/", "/dev/nvme0n1p2"),
                            {250 * kGiB, 100 * kGiB, 90 * kGiB});
    ASSERT_TRUE(system);
    EXPECT_EQ(system->capacity, 256060514304);
    EXPECT_EQ(system->dataVolume("nvme0n1p2")->inUse, 150 * kGiB);
    EXPECT_EQ(system->volumes.size(), 2u);

    auto data = breakdown(kNvmeAndData, mounted("/mnt/data", "/dev/sda1"),
                          {1800 * kGiB, 900 * kGiB, 800 * kGiB});
    ASSERT_TRUE(data);
    EXPECT_EQ(data->capacity, 2000398934016);
    ASSERT_EQ(data->volumes.size(), 1u);
    EXPECT_EQ(data->volumes[0].name, "Backup");
    EXPECT_TRUE(data->otherVolumes("sda1").empty());
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
