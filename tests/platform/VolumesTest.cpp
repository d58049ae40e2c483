#include "platform/Volumes.h"

#include "support/BtrfsImage.h"
#include "support/TmpfsMount.h"
#include "support/TreeTest.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

using tavelin::platform::Volume;
using tavelin::platform::VolumeCapacity;
using tavelin::platform::VolumeLookups;
using tavelin::test::TemporaryFolder;
namespace fs = std::filesystem;

namespace {

constexpr int64_t kGB = 1'000'000'000;

// A machine with a root disk, pseudo file systems, bind mounts, a disk mounted twice, a name
// with a space, read-only disks of both kinds, a pool without a device path, a network share,
// a disk whose figures cannot be read and one that reports no blocks.
constexpr std::string_view kMountTable =
    "22 27 0:21 / /proc rw,nosuid,relatime - proc proc rw\n"
    "23 27 0:22 / /sys rw,relatime - sysfs sysfs rw\n"
    "24 27 0:6 / /dev rw,relatime - devtmpfs udev rw,size=1000k\n"
    "25 24 0:23 / /dev/shm rw,relatime - tmpfs tmpfs rw\n"
    "27 1 254:0 / / rw,relatime shared:1 - ext4 /dev/vda rw,discard\n"
    "28 27 254:0 /srv/etc/hosts /etc/hosts rw,relatime - ext4 /dev/vda rw\n"
    "32 31 0:29 / /sys/fs/cgroup/cpu rw,relatime - cgroup cgroup rw,cpu\n"
    "33 27 0:30 / /var/lib/docker/overlay2/x/merged rw - overlay overlay rw,lowerdir=/a\n"
    "40 27 7:0 / /snap/core/1 ro,nodev,relatime shared:9 - squashfs /dev/loop0 ro\n"
    "50 27 8:17 / /media/user/Backup\\040Drive rw,nosuid shared:5 - exfat /dev/sdb1 rw\n"
    "51 27 8:17 / /mnt/bk rw shared:5 - exfat /dev/sdb1 rw\n"
    "52 27 8:33 / /media/user/My\\040Stick rw,nosuid - vfat /dev/sdc1 rw\n"
    "53 27 8:49 / /media/user/Photos ro,nosuid - ext4 /dev/sdd1 rw\n"
    "54 27 11:0 / /media/user/Archive rw,nosuid - iso9660 /dev/sr0 ro\n"
    "55 27 0:50 / /tank rw,xattr - zfs tank/data rw,xattr\n"
    "56 27 0:60 / /net/share rw - nfs4 server:/export rw,vers=4.2\n"
    "57 27 8:65 / /media/user/Gone rw - ext4 /dev/sde1 rw\n"
    "58 27 8:81 / /media/user/Empty rw - vfat /dev/sdf1 rw\n"
    "a line that is not a mount\n"
    "60 27 8:97 / /media/user/Cut rw -\n";

// Every mount reports figures, so that only the filtering can keep one out, except the two that
// cannot be read or have no blocks.
VolumeLookups sampleLookups() {
    const std::map<std::string, VolumeCapacity> capacities{
        {"/", {100 * kGB, 40 * kGB}},
        {"/mnt/bk", {500 * kGB, 100 * kGB}},
        {"/media/user/My Stick", {16 * kGB, 8 * kGB}},
        {"/media/user/Photos", {64 * kGB, 0}},
        {"/media/user/Archive", {kGB, 0}},
        {"/tank", {2'000 * kGB, 1'500 * kGB}},
        {"/media/user/Empty", {0, 0}},
    };
    return {
        [capacities](const std::string& mountPath) -> std::optional<VolumeCapacity> {
            if (mountPath == "/media/user/Gone")
                return std::nullopt;
            auto found = capacities.find(mountPath);
            return found == capacities.end() ? VolumeCapacity{kGB, kGB} : found->second;
        },
        [](const std::string& source) -> std::optional<std::string> {
            return source == "/dev/sdb1"   ? std::optional<std::string>("Backup")
                   : source == "/dev/sdd1" ? std::optional<std::string>("")
                                           : std::nullopt;
        },
    };
}

} // namespace

TEST(Volumes, MountTableGivesOneDiskPerDeviceBootFirstThenWritableThenReadOnlyAndFindsAnyMount) {
    std::vector<Volume> expected{
        {"/", "Computer", "/", 100 * kGB, 40 * kGB, true, false},
        {"/mnt/bk", "Backup", "/mnt/bk", 500 * kGB, 100 * kGB, false, false},
        {"/media/user/My Stick", "My Stick", "/media/user/My Stick", 16 * kGB, 8 * kGB, false,
         false},
        {"/tank", "tank", "/tank", 2'000 * kGB, 1'500 * kGB, false, false},
        {"/media/user/Archive", "Archive", "/media/user/Archive", kGB, 0, false, true},
        {"/media/user/Photos", "Photos", "/media/user/Photos", 64 * kGB, 0, false, true},
    };
    EXPECT_EQ(tavelin::platform::parseVolumes(kMountTable, sampleLookups()), expected);

    // Any mount is found by its id, with its root, type and source decoded.
    using tavelin::platform::MountFacts;
    EXPECT_EQ(tavelin::platform::findMount(kMountTable, 50),
              (MountFacts{50, "/", "/media/user/Backup Drive", "exfat", "/dev/sdb1"}));
    EXPECT_EQ(tavelin::platform::findMount(kMountTable, 28),
              (MountFacts{28, "/srv/etc/hosts", "/etc/hosts", "ext4", "/dev/vda"}));
    EXPECT_EQ(tavelin::platform::findMount(kMountTable, 56)->source, "server:/export");
    EXPECT_FALSE(tavelin::platform::findMount(kMountTable, 99));
    EXPECT_EQ(tavelin::platform::parseMounts(kMountTable).size(), 18u)
        << "every well-formed line, pseudo file systems included";
}

TEST(Volumes, LabelNamesTheDiskEvenAtTheRoot) {
    VolumeLookups lookups{
        [](const std::string&) {
            return std::optional<VolumeCapacity>({10, 5});
        },
        [](const std::string&) { return std::optional<std::string>("System"); },
    };
    auto volumes = tavelin::platform::parseVolumes(
        "27 1 254:0 / / ro,relatime - btrfs /dev/vda2 rw,subvol=/@\n"
        "29 27 254:0 /@home /home rw,relatime - btrfs /dev/vda2 rw,subvol=/@home\n",
        lookups);
    EXPECT_EQ(volumes, (std::vector<Volume>{{"/", "System", "/", 10, 5, true, true}}));
}

using VolumeLabels = tavelin::test::TreeTest;
TEST_F(VolumeLabels, LinksAreDecodedAndKeyedByTheirDevice) {
    std::string sda1 = tree.file("devices/sda1", "");
    std::string sdb1 = tree.file("devices/sdb1", "");
    tree.symlink("../devices/sda1", "by-label/My\\x20Disk");
    tree.symlink("../devices/sdb1", "by-label/Caf\\xc3\\xa9\\x2");
    tree.symlink("../devices/gone", "by-label/Unplugged");

    EXPECT_EQ(
        tavelin::platform::readLabels(folder.path() / "by-label"),
        (std::map<std::string, std::string>{{fs::canonical(sda1).string(), "My Disk"},
                                            {fs::canonical(sdb1).string(), "Caf\xc3\xa9\\x2"}}));
    EXPECT_TRUE(tavelin::platform::readLabels(folder.path() / "missing").empty());
}

TEST(Volumes, ThisMachineHasABootDiskAndAnswersFreeSpace) {
    auto volumes = tavelin::platform::readVolumes();
    ASSERT_FALSE(volumes.empty());
    EXPECT_TRUE(volumes.front().id == "/" && volumes.front().isBoot);
    EXPECT_TRUE(volumes.front().total > 0 && volumes.front().free <= volumes.front().total);

    EXPECT_TRUE(tavelin::platform::availableBytes(TemporaryFolder().string()).has_value());
    EXPECT_FALSE(tavelin::platform::availableBytes("/no/such/folder/here").has_value());
    EXPECT_EQ(tavelin::platform::mountOf("/")->path, "/");
}

TEST(Volumes, FiguresAgreeWithDfOnADiskWithAReserveForRoot) {
    TemporaryFolder folder;
    tavelin::test::BtrfsImage disk(folder.path(), 64 << 20, "mkfs.ext4 -q -F -m 20");
    TAVELIN_SKIP_UNLESS_MOUNTED(disk);
    tavelin::test::TreeBuilder(disk.mountPoint()).file("data", 9'000'000);
    std::string mountPoint = fs::canonical(disk.mountPoint()).string();
    std::istringstream df(tavelin::test::outputOf("sync; df -B1 --output=size,used,avail,pcent " +
                                                  mountPoint + " | tail -1"));
    int64_t size = 0, used = 0, available = 0, percent = 0;
    df >> size >> used >> available >> percent;

    auto volumes = tavelin::platform::readVolumes();
    auto volume = std::ranges::find(volumes, mountPoint, &Volume::scanPath);
    ASSERT_NE(volume, volumes.end());
    EXPECT_EQ(std::tuple(volume->total, volume->used(), volume->free),
              std::tuple(size, used, available));
    EXPECT_GT(volume->reserved, size / 6) << "a fifth is kept back for root";
    EXPECT_EQ(std::ceil(volume->usedShare() * 100), percent) << "df's Use%";
}
