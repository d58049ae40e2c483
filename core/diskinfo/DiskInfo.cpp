#include "diskinfo/DiskInfo.h"

#include "diskinfo/ApfsList.h"
#include "diskinfo/BlockDevices.h"
#include "diskinfo/LocalSnapshots.h"

#include <algorithm>
#include <map>

namespace tavelin::DiskInfo {
namespace {

using namespace std::chrono_literals;

constexpr const char* kDiskUtil = "/usr/sbin/diskutil";
constexpr const char* kTimeMachineUtil = "/usr/bin/tmutil";
// A tool that answers from the kernel's tables is quick; one that does not within this time
// hangs, and gives no breakdown.
constexpr std::chrono::milliseconds kToolLimit = 20s;
// Long enough for the user to type a password.
constexpr std::chrono::milliseconds kAuthorisedLimit = 300s;

// lsblk from util-linux 2.37 on, and the columns older ones know.
constexpr const char* kColumns =
    "NAME,PATH,TYPE,SIZE,FSTYPE,FSUSED,FSAVAIL,MOUNTPOINTS,LABEL,PKNAME";
constexpr const char* kOlderColumns = "NAME,PATH,TYPE,SIZE,FSTYPE,MOUNTPOINT,LABEL,PKNAME";

platform::ProcessResult run(const DiskSystem& system, std::string program,
                            std::vector<std::string> arguments,
                            std::chrono::milliseconds limit = kToolLimit) {
    return system.run(platform::ProcessRequest{std::move(program), std::move(arguments), limit});
}

std::string trimmed(std::string_view text) {
    size_t start = text.find_first_not_of(" \t\r\n");
    if (start == std::string_view::npos)
        return {};
    size_t end = text.find_last_not_of(" \t\r\n");
    return std::string(text.substr(start, end - start + 1));
}

// The tool's own words, or what happened when it said nothing.
std::string failureOf(const platform::ProcessResult& result) {
    if (result.timedOut)
        return "the snapshot tool didn’t finish in time.";
    if (result.startError != 0)
        return "the snapshot tool couldn’t be started.";
    std::string said = trimmed(result.output);
    return said.empty() ? "the snapshot tool gave no reason." : said;
}

std::optional<DiskBreakdown> loadApfs(const std::string& path, const DiskSystem& system) {
    std::optional<std::string> disk = device(path, system);
    if (!disk)
        return std::nullopt;
    platform::ProcessResult list = run(system, kDiskUtil, {"apfs", "list", "-plist"});
    if (list.status != 0)
        return std::nullopt;
    std::optional<ApfsContainer> container = parseAPFSList(list.output, *disk);
    if (!container)
        return std::nullopt;
    DiskBreakdown breakdown;
    breakdown.capacity = container->capacity;
    breakdown.free = container->free;
    breakdown.volumes = std::move(container->volumes);
    platform::ProcessResult snapshots = run(system, kTimeMachineUtil, {"listlocalsnapshots", "/"});
    if (snapshots.status == 0)
        breakdown.snapshots = parseLocalSnapshots(snapshots.output);
    return breakdown;
}

std::optional<std::vector<BlockDevice>> blockDevices(const DiskSystem& system) {
    for (const char* columns : {kColumns, kOlderColumns}) {
        platform::ProcessResult result =
            run(system, "lsblk", {"--json", "--bytes", "--output", columns});
        if (result.timedOut || result.startError != 0)
            return std::nullopt;
        if (result.status == 0)
            return parseBlockDevices(result.output);
    }
    return std::nullopt;
}

bool onSameDevice(const DiskSystem& system, const std::string& path,
                  const platform::MountFacts& mount) {
    std::optional<platform::MountFacts> other = system.mountOf(path);
    return other && other->source == mount.source;
}

struct SnapshotList {
    std::vector<LocalSnapshot> snapshots;
    SnapshotListing listing = SnapshotListing::listed;
    bool bySnapper = false;
};

// Snapper's list when it manages snapshots of this file system, else btrfs's own.
SnapshotList btrfsSnapshots(const platform::MountFacts& mount, const DiskSystem& system) {
    platform::ProcessResult snapper = run(system, "snapper", {"--jsonout", "list", "-a"});
    std::optional<std::vector<LocalSnapshot>> managed;
    if (snapper.status == 0)
        managed = parseSnapperList(snapper.output, [&](const std::string& subvolume) {
            return onSameDevice(system, subvolume, mount);
        });
    if (managed && !managed->empty())
        return {std::move(*managed), SnapshotListing::listed, true};
    platform::ProcessResult btrfs =
        run(system, "btrfs", {"subvolume", "list", "-s", "-r", mount.path});
    if (btrfs.status == 0)
        return {parseSubvolumeList(btrfs.output), SnapshotListing::listed, false};
    if (managed)
        return {};
    return {{}, system.isRoot ? SnapshotListing::failed : SnapshotListing::needsRoot, false};
}

std::vector<SwapFile> swapFilesOn(const platform::MountFacts& mount, const DiskSystem& system) {
    std::vector<SwapFile> files = parseSwapFiles(system.swaps());
    std::erase_if(files,
                  [&](const SwapFile& file) { return !onSameDevice(system, file.path, mount); });
    return files;
}

std::optional<platform::MountFacts> deviceMount(const std::string& path, const DiskSystem& system) {
    std::optional<platform::MountFacts> mount = system.mountOf(path);
    if (!mount || !mount->source.starts_with("/dev/"))
        return std::nullopt;
    return mount;
}

std::optional<DiskBreakdown> loadLinux(const std::string& path, const DiskSystem& system) {
    std::optional<platform::MountFacts> mount = deviceMount(path, system);
    if (!mount)
        return std::nullopt;
    std::optional<platform::FileSystemFigures> figures = system.figures(mount->path);
    if (!figures)
        return std::nullopt;
    std::optional<std::vector<BlockDevice>> devices = blockDevices(system);
    if (!devices)
        return std::nullopt;
    std::optional<DiskBreakdown> breakdown =
        breakdownFor(*devices, {*mount, *figures, swapFilesOn(*mount, system)});
    if (!breakdown)
        return std::nullopt;
    if (mount->type == "btrfs") {
        SnapshotList found = btrfsSnapshots(*mount, system);
        breakdown->snapshots = datesOf(found.snapshots);
        breakdown->snapshotListing = found.listing;
    } else {
        breakdown->snapshotListing = SnapshotListing::unsupported;
    }
    return breakdown;
}

std::optional<std::string> deleteWithSnapper(const std::vector<LocalSnapshot>& snapshots,
                                             const DiskSystem& system) {
    std::map<std::string, std::vector<std::string>> numbersByConfig;
    for (const LocalSnapshot& snapshot : snapshots)
        numbersByConfig[snapshot.config].push_back(snapshot.id);
    for (auto& [config, numbers] : numbersByConfig) {
        std::vector<std::string> arguments{"-c", config, "delete"};
        arguments.insert(arguments.end(), numbers.begin(), numbers.end());
        platform::ProcessResult result = run(system, "snapper", std::move(arguments));
        if (result.status != 0)
            return failureOf(result);
    }
    return std::nullopt;
}

// A snapshot something is mounted from (the system booted into it, say) stays.
bool isMounted(const LocalSnapshot& snapshot, const platform::MountFacts& mount,
               const std::vector<platform::MountFacts>& mounts) {
    return std::any_of(mounts.begin(), mounts.end(), [&](const platform::MountFacts& other) {
        return other.source == mount.source && other.root == "/" + snapshot.path;
    });
}

std::optional<std::string> deleteWithBtrfs(const std::vector<LocalSnapshot>& snapshots,
                                           const platform::MountFacts& mount,
                                           const DiskSystem& system) {
    std::vector<platform::MountFacts> mounts = system.mounts();
    for (const LocalSnapshot& snapshot : snapshots) {
        if (isMounted(snapshot, mount, mounts))
            continue;
        std::vector<std::string> arguments{"subvolume", "delete", "--subvolid", snapshot.id,
                                           mount.path};
        platform::ProcessResult result;
        if (system.isRoot) {
            result = run(system, "btrfs", std::move(arguments));
        } else {
            arguments.insert(arguments.begin(), "btrfs");
            result = run(system, "pkexec", std::move(arguments), kAuthorisedLimit);
        }
        if (result.status != 0)
            return failureOf(result);
    }
    return std::nullopt;
}

} // namespace

std::optional<std::string> device(const std::string& path, const DiskSystem& system) {
    std::optional<platform::MountFacts> mount = deviceMount(path, system);
    if (!mount)
        return std::nullopt;
    return mount->source.substr(5);
}

std::optional<DiskBreakdown> load(const std::string& path, const DiskSystem& system) {
    return system.exists(kDiskUtil) ? loadApfs(path, system) : loadLinux(path, system);
}

std::optional<std::string> deleteLocalSnapshots(const std::string& path, const DiskSystem& system) {
    if (system.exists(kTimeMachineUtil)) {
        platform::ProcessResult result =
            run(system, kTimeMachineUtil, {"deletelocalsnapshots", "/"});
        return result.status == 0 ? std::nullopt : std::optional(failureOf(result));
    }
    std::optional<platform::MountFacts> mount = deviceMount(path, system);
    if (!mount || mount->type != "btrfs")
        return "this disk’s file system keeps no snapshots.";
    SnapshotList found = btrfsSnapshots(*mount, system);
    if (found.listing == SnapshotListing::needsRoot)
        return "listing btrfs snapshots needs administrator rights.";
    if (found.listing != SnapshotListing::listed)
        return "the snapshot tool didn’t list them.";
    return found.bySnapper ? deleteWithSnapper(found.snapshots, system)
                           : deleteWithBtrfs(found.snapshots, *mount, system);
}

} // namespace tavelin::DiskInfo
