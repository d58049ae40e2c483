#include "diskinfo/DiskInfo.h"

#include "DiskSamples.h"
#include "support/BtrfsImage.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>
#include <map>

using namespace tavelin;
using namespace tavelin::test;

namespace {

using platform::MountFacts;
using platform::ProcessRequest;
using platform::ProcessResult;

const std::string kLsblk = "lsblk --json --bytes --output "
                           "NAME,PATH,TYPE,SIZE,FSTYPE,FSUSED,FSAVAIL,MOUNTPOINTS,LABEL,PKNAME";
const std::string kOlderLsblk =
    "lsblk --json --bytes --output NAME,PATH,TYPE,SIZE,FSTYPE,MOUNTPOINT,LABEL,PKNAME";

ProcessResult answer(int status, std::string output) {
    return {status, std::move(output), 0, false, false};
}
const ProcessResult kMissing{-1, "", ENOENT, false, false};
const ProcessResult kHung{-1, "", 0, true, false};

// A system whose tools answer from a script; anything not in it is not installed.
struct ScriptedSystem {
    std::map<std::string, ProcessResult> answers;
    std::vector<std::string> ran;
    std::vector<MountFacts> mounts;
    platform::FileSystemFigures figures{488 * kGiB, 400 * kGiB, 376 * kGiB};
    std::string swaps = "Filename Type Size Used Priority\n";
    bool isRoot = true;

    DiskSystem system() {
        DiskSystem system;
        system.run = [this](const ProcessRequest& request) {
            ran.push_back(request.program);
            for (const std::string& argument : request.arguments)
                ran.back() += " " + argument;
            auto found = answers.find(ran.back());
            return found == answers.end() ? kMissing : found->second;
        };
        system.mountOf = [this](const std::string& path) -> std::optional<MountFacts> {
            std::optional<MountFacts> best; // the longest mount path the path starts with
            for (const MountFacts& candidate : mounts)
                if (path.starts_with(candidate.path) &&
                    (!best || candidate.path.size() > best->path.size()))
                    best = candidate;
            return best;
        };
        system.mounts = [this] { return mounts; };
        system.figures = [this](const std::string&) { return figures; };
        system.swaps = [this] { return swaps; };
        system.exists = [](const std::string&) { return false; };
        system.isRoot = isRoot;
        return system;
    }
};

MountFacts mount(std::string path, std::string source, std::string type, std::string root = "/") {
    return {1, std::move(root), std::move(path), std::move(type), std::move(source)};
}

ScriptedSystem plainExt4() {
    ScriptedSystem scripted;
    scripted.mounts = {mount("/", "/dev/sda2", "ext4"), mount("/tmp", "tmpfs", "tmpfs")};
    scripted.answers[kLsblk] = answer(0, kPlainExt4);
    return scripted;
}

ScriptedSystem btrfsRoot() {
    ScriptedSystem scripted;
    scripted.mounts = {mount("/", "/dev/vda2", "btrfs", "/@"),
                       mount("/home", "/dev/vda2", "btrfs", "/@home"),
                       mount("/media/usb", "/dev/sdb1", "btrfs")};
    scripted.figures = {68449992704, 40 * kGiB, 39 * kGiB};
    scripted.answers[kLsblk] = answer(0, kBtrfsSubvolumes);
    return scripted;
}

const std::string kSubvolumes = "btrfs subvolume list -s -r /";
const std::string kSnapper = "snapper --jsonout list -a";
const std::string kSnapperHere = R"({
    "root": [{"subvolume": "/", "number": 0, "date": ""},
             {"subvolume": "/", "number": 5, "date": "2025-03-01 08:00:00"}],
    "home": [{"subvolume": "/home", "number": 2, "date": "2025-02-01 08:00:00"}],
    "usb": [{"subvolume": "/media/usb", "number": 9, "date": "2025-01-01 08:00:00"}]})";
const std::string kTwoSnapshots =
    "ID 301 gen 40 cgen 40 top level 5 otime 2025-03-09 10:15:00 path @snapshots/2\n"
    "ID 300 gen 30 cgen 30 top level 5 otime 2025-03-08 10:15:00 path @snapshots/1\n";

} // namespace

// A swap file on the disk counts as swap, moved from the users' share; one elsewhere is not on
// this disk.
TEST(DiskInfo, AnExt4DiskLoadsWithoutAskingForSnapshotsAndDevicelessFileSystemsHaveNone) {
    ScriptedSystem scripted = plainExt4();
    scripted.swaps += "/swap\\040file file 2097152 0 -2\n/tmp/swap file 1048576 0 -3\n";
    EXPECT_EQ(DiskInfo::device("/home/user", scripted.system()), "sda2");
    auto breakdown = DiskInfo::load("/home/user", scripted.system());
    ASSERT_TRUE(breakdown);
    EXPECT_EQ(std::pair(breakdown->capacity, breakdown->snapshotListing),
              std::pair(512 * kGiB, SnapshotListing::unsupported));
    EXPECT_EQ(scripted.ran, std::vector<std::string>{kLsblk}) << "no snapshot tool for ext4";
    EXPECT_EQ(breakdown->volumes.back(),
              (DiskBreakdown::Volume{"swap file", {"VM"}, 2 * kGiB, "/swap file"}));
    EXPECT_EQ(breakdown->dataVolume("sda2")->inUse, 86 * kGiB);
    EXPECT_EQ(accountedFor(*breakdown), breakdown->capacity);

    scripted.ran.clear();
    scripted.mounts.push_back(mount("/net", "server:/export", "nfs4"));
    scripted.mounts.push_back(mount("/fuse", "sshfs#me@host:", "fuse.sshfs"));
    scripted.mounts.push_back(mount("/overlay", "overlay", "overlay"));
    for (const char* path : {"/tmp", "/net/a", "/fuse", "/overlay"})
        EXPECT_FALSE(DiskInfo::load(path, scripted.system())) << path;
    EXPECT_TRUE(scripted.ran.empty());
    EXPECT_FALSE(DiskInfo::device("/tmp/x", scripted.system()));
    scripted.mounts.clear();
    EXPECT_FALSE(DiskInfo::device("/", scripted.system()));
}

TEST(DiskInfo, FallsBackToTheOlderLsblkColumnsAndStopsAtAHang) {
    ScriptedSystem older = plainExt4();
    older.answers[kLsblk] = answer(1, "lsblk: unknown column: MOUNTPOINTS");
    older.answers[kOlderLsblk] = answer(0, kPlainExt4Older);
    EXPECT_EQ(DiskInfo::load("/", older.system()).value_or(DiskBreakdown{}).capacity, 512 * kGiB);

    for (ProcessResult failed : {kHung, kMissing, answer(0, "{\"blockdevices\": [{\"name\": ")}) {
        ScriptedSystem failing = plainExt4();
        failing.answers[kLsblk] = failed;
        EXPECT_FALSE(DiskInfo::load("/", failing.system()));
        EXPECT_EQ(failing.ran.size(), 1u) << "a tool that hangs or is missing is not asked again";
    }

    ScriptedSystem unreadable = plainExt4();
    DiskSystem system = unreadable.system();
    system.figures = [](const std::string&) { return std::nullopt; };
    EXPECT_FALSE(DiskInfo::load("/", system));
}

// Snapper lists the snapshots of its configurations on this disk; without it, or when it knows
// none here, the btrfs tool does, which needs root.
TEST(DiskInfo, SnapshotsAreListedBySnapperOrBtrfsOrSayWhyNot) {
    ProcessResult denied = answer(1, "ERROR: can't perform the search: Operation not permitted");
    ProcessResult snapperElsewhere = answer(0, R"({"usb": [{"subvolume": "/media/usb",
        "number": 9, "date": "2025-01-01 08:00:00"}]})");
    struct Case {
        bool isRoot;
        std::optional<ProcessResult> subvolumes, snapper;
        SnapshotListing listing;
        size_t count;
    };
    const Case cases[] = {
        {true, answer(0, kTwoSnapshots), {}, SnapshotListing::listed, 2},
        {false, denied, {}, SnapshotListing::needsRoot, 0},
        {true, denied, {}, SnapshotListing::failed, 0},
        {false, {}, answer(0, kSnapperHere), SnapshotListing::listed, 2}, // not the USB disk's
        {true, answer(0, kTwoSnapshots), snapperElsewhere, SnapshotListing::listed, 2},
        {false, {}, snapperElsewhere, SnapshotListing::listed, 0}, // snapper knows of none
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases);
        ScriptedSystem scripted = btrfsRoot();
        scripted.isRoot = c.isRoot;
        if (c.subvolumes)
            scripted.answers[kSubvolumes] = *c.subvolumes;
        if (c.snapper)
            scripted.answers[kSnapper] = *c.snapper;
        auto breakdown = DiskInfo::load("/", scripted.system());
        ASSERT_TRUE(breakdown) << "the rest of the breakdown stands";
        EXPECT_EQ(breakdown->snapshotListing, c.listing);
        EXPECT_EQ(breakdown->snapshots.size(), c.count);
    }
}

TEST(DiskInfo, DeletingUsesIdsKeepsMountedSnapshotsAndFailsInSentences) {
    ScriptedSystem scripted = btrfsRoot();
    scripted.mounts.push_back(mount("/mnt/old", "/dev/vda2", "btrfs", "/@snapshots/1"));
    scripted.answers[kSubvolumes] = answer(0, kTwoSnapshots);
    EXPECT_EQ(
        DiskInfo::load("/", scripted.system())->snapshots,
        (std::vector<Date>{*localDate(2025, 3, 8, 10, 15, 0), *localDate(2025, 3, 9, 10, 15, 0)}));
    scripted.answers["btrfs subvolume delete --subvolid 301 /"] = answer(0, "Delete subvolume");
    EXPECT_FALSE(DiskInfo::deleteLocalSnapshots("/", scripted.system()));
    EXPECT_EQ(scripted.ran.back(), "btrfs subvolume delete --subvolid 301 /")
        << "snapshot 300 is mounted at /mnt/old and stays";

    scripted.isRoot = false;
    scripted.answers["pkexec btrfs subvolume delete --subvolid 301 /"] =
        answer(126, "Error executing command as another user: Not authorized\n\n");
    EXPECT_EQ(DiskInfo::deleteLocalSnapshots("/", scripted.system()),
              "Error executing command as another user: Not authorized");

    scripted = btrfsRoot();
    scripted.answers[kSubvolumes] = answer(0, kTwoSnapshots);
    scripted.answers["btrfs subvolume delete --subvolid 300 /"] = answer(1, "  \n");
    EXPECT_EQ(DiskInfo::deleteLocalSnapshots("/", scripted.system()),
              "the snapshot tool gave no reason.");
    scripted.answers["btrfs subvolume delete --subvolid 300 /"] = kHung;
    EXPECT_EQ(DiskInfo::deleteLocalSnapshots("/", scripted.system()),
              "the snapshot tool didn’t finish in time.");
    EXPECT_EQ(DiskInfo::deleteLocalSnapshots("/", plainExt4().system()),
              "this disk’s file system keeps no snapshots.");
    scripted = btrfsRoot();
    scripted.isRoot = false;
    EXPECT_EQ(DiskInfo::deleteLocalSnapshots("/", scripted.system()),
              "listing btrfs snapshots needs administrator rights.");

    scripted.answers[kSnapper] = answer(0, kSnapperHere);
    scripted.answers["snapper -c home delete 2"] = answer(0, "");
    scripted.answers["snapper -c root delete 5"] = answer(0, "");
    ASSERT_EQ(DiskInfo::deleteLocalSnapshots("/", scripted.system()), std::nullopt);
    EXPECT_EQ(std::vector(scripted.ran.end() - 2, scripted.ran.end()),
              (std::vector<std::string>{"snapper -c home delete 2", "snapper -c root delete 5"}));
}

TEST(DiskInfo, WithTheApfsToolsTheirListsAreRead) {
    ScriptedSystem scripted;
    scripted.mounts.push_back(mount("/", "/dev/disk3s1s1", "apfs"));
    scripted.answers["/usr/sbin/diskutil apfs list -plist"] = answer(0, R"(<plist><dict>
        <key>Containers</key><array><dict>
        <key>CapacityCeiling</key><integer>1000</integer>
        <key>CapacityFree</key><integer>400</integer>
        <key>Volumes</key><array><dict><key>DeviceIdentifier</key><string>disk3s1</string>
        <key>CapacityInUse</key><integer>600</integer></dict></array>
        </dict></array></dict></plist>)");
    scripted.answers["/usr/bin/tmutil listlocalsnapshots /"] =
        answer(0, "com.apple.TimeMachine.2025-03-09-101500.local\n");
    DiskSystem system = scripted.system();
    system.exists = [](const std::string& path) { return path.starts_with("/usr/"); };
    auto breakdown = DiskInfo::load("/", system);
    ASSERT_TRUE(breakdown);
    EXPECT_EQ(std::tuple(breakdown->capacity, breakdown->free, breakdown->snapshots.size()),
              std::tuple(1000, 400, 1u));

    scripted.answers["/usr/bin/tmutil deletelocalsnapshots /"] = answer(1, " Not permitted\n");
    EXPECT_EQ(DiskInfo::deleteLocalSnapshots("/", system), "Not permitted");
}

TEST(DiskInfo, RealBtrfsImageListsAndDeletesItsReadOnlySnapshots) {
    TemporaryFolder folder;
    BtrfsImage image(folder.path());
    if (!image.mounted())
        GTEST_SKIP() << image.whyNot();
    std::string root = image.mountPoint().string();
    ASSERT_EQ(runCommand("cd " + shellQuoted(root) +
                         " && btrfs subvolume create data >/dev/null"
                         " && head -c 1000000 /dev/urandom > data/file"
                         " && btrfs subvolume snapshot -r data 'first snap' >/dev/null"
                         " && btrfs subvolume snapshot -r data second >/dev/null"
                         " && btrfs subvolume snapshot data writable >/dev/null"),
              0);
    DiskSystem system = DiskSystem::live();
    auto breakdown = DiskInfo::load(root, system);
    ASSERT_TRUE(breakdown);
    EXPECT_EQ(std::pair(breakdown->capacity, breakdown->snapshots.size()),
              std::pair(128 * kMiB, 2ul))
        << "the writable snapshot is not a backup";
    EXPECT_TRUE(breakdown->dataVolume(DiskInfo::device(root, system).value_or("none")));
    EXPECT_EQ(accountedFor(*breakdown), breakdown->capacity);

    EXPECT_EQ(DiskInfo::deleteLocalSnapshots(root, system), std::nullopt);
    EXPECT_TRUE(DiskInfo::load(root, system)->snapshots.empty());
    EXPECT_TRUE(std::filesystem::exists(root + "/writable/file") &&
                std::filesystem::exists(root + "/data/file"));
}
