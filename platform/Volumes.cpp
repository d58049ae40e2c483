#include "platform/Volumes.h"

#include "platform/FileFacts.h"
#include "platform/Files.h"

#include <algorithm>
#include <charconv>
#include <span>
#include <sys/statvfs.h>
#include <tuple>
#include <unordered_map>

namespace tavelin::platform {

namespace {

namespace fs = std::filesystem;

// Far more than any real mount table, even with thousands of container mounts.
constexpr size_t kMountTableLimit = 64 << 20;

// Never disks, even when their source names a device (squashfs images on /dev/loopN).
constexpr std::string_view kPseudoFileSystems[] = {
    "proc",       "sysfs",    "cgroup", "cgroup2",  "tmpfs",    "devtmpfs",  "devpts",
    "overlay",    "squashfs", "ramfs",  "mqueue",   "autofs",   "debugfs",   "tracefs",
    "securityfs", "pstore",   "bpf",    "configfs", "efivarfs", "hugetlbfs", "binfmt_misc",
};

// Disk file systems whose source need not be a device path (a ZFS dataset, for one).
constexpr std::string_view kDiskFileSystems[] = {
    "ext2",  "ext3",    "ext4",     "xfs",    "btrfs",   "bcachefs", "zfs",
    "f2fs",  "jfs",     "reiserfs", "nilfs2", "vfat",    "exfat",    "ntfs",
    "ntfs3", "fuseblk", "hfsplus",  "udf",    "iso9660",
};

struct Mount {
    MountFacts facts;
    std::string device; // "major:minor": bind mounts of one file system share it
    bool isReadOnly = false;
};

bool isListed(std::span<const std::string_view> list, std::string_view value) {
    return std::ranges::find(list, value) != list.end();
}

bool isDiskFileSystem(std::string_view type, std::string_view source) {
    if (isListed(kPseudoFileSystems, type))
        return false;
    return source.starts_with("/dev/") || isListed(kDiskFileSystems, type);
}

std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> pieces;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = std::min(text.find(separator, start), text.size());
        pieces.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return pieces;
}

bool hasFlag(std::string_view options, std::string_view flag) {
    auto flags = split(options, ',');
    return std::ranges::find(flags, flag) != flags.end();
}

// The character written at the start of `text` as `lead` and a fixed number of digits in `base`
// ("\040" in the mount table, "\x20" in udev's link names); nothing when no such escape starts
// there.
std::optional<char> escapeAt(std::string_view text, std::string_view lead, size_t digits,
                             int base) {
    if (!text.starts_with(lead) || text.size() < lead.size() + digits)
        return std::nullopt;
    std::string_view code = text.substr(lead.size(), digits);
    unsigned value = 0;
    auto [end, error] = std::from_chars(code.data(), code.data() + code.size(), value, base);
    if (error != std::errc() || end != code.data() + code.size() || value > 255)
        return std::nullopt;
    return static_cast<char>(value);
}

std::string unescaped(std::string_view text, std::string_view lead, size_t digits, int base) {
    std::string result;
    size_t i = 0;
    while (i < text.size()) {
        if (auto decoded = escapeAt(text.substr(i), lead, digits, base)) {
            result += *decoded;
            i += lead.size() + digits;
        } else {
            result += text[i++];
        }
    }
    return result;
}

std::string fromLinkName(std::string_view text) {
    return unescaped(text, "\\x", 2, 16);
}

// Fields: ID PARENT MAJOR:MINOR ROOT PATH OPTIONS [OPTIONAL...] - TYPE SOURCE SUPER-OPTIONS
std::optional<Mount> parseMountLine(std::string_view line) {
    auto fields = split(line, ' ');
    auto separator =
        std::find(fields.begin() + std::min<size_t>(6, fields.size()), fields.end(), "-");
    if (std::distance(separator, fields.end()) < 3)
        return std::nullopt;
    uint64_t id = 0;
    auto [end, error] = std::from_chars(fields[0].data(), fields[0].data() + fields[0].size(), id);
    if (error != std::errc() || end != fields[0].data() + fields[0].size())
        return std::nullopt;
    std::string_view superOptions = std::distance(separator, fields.end()) > 3 ? separator[3] : "";
    return Mount{{id, decodedTableField(fields[3]), decodedTableField(fields[4]),
                  std::string(separator[1]), decodedTableField(separator[2])},
                 std::string(fields[2]),
                 hasFlag(fields[5], "ro") || hasFlag(superOptions, "ro")};
}

std::string volumeName(const Mount& mount, const VolumeLookups& lookups) {
    if (auto label = lookups.label(mount.facts.source); label && !label->empty())
        return *label;
    if (mount.facts.path == "/")
        return "Computer";
    return fs::path(mount.facts.path).filename().string();
}

std::optional<Volume> makeVolume(const Mount& mount, const VolumeLookups& lookups) {
    const std::string& path = mount.facts.path;
    auto capacity = lookups.capacity(path);
    if (!capacity || capacity->total < 1)
        return std::nullopt;
    return Volume{path,
                  volumeName(mount, lookups),
                  path,
                  capacity->total,
                  capacity->free,
                  path == "/",
                  mount.isReadOnly,
                  capacity->reserved};
}

bool listedBefore(const Volume& a, const Volume& b) {
    auto rank = [](const Volume& volume) { return volume.isBoot ? 0 : volume.isReadOnly ? 2 : 1; };
    return std::tuple(rank(a), a.name, a.id) < std::tuple(rank(b), b.name, b.id);
}

} // namespace

int64_t Volume::used() const {
    return std::max<int64_t>(total - free - reserved, 0);
}

double Volume::usedShare() const {
    int64_t fillable = used() + std::max<int64_t>(free, 0);
    return fillable > 0 ? static_cast<double>(used()) / static_cast<double>(fillable) : 0;
}

std::vector<Volume> parseVolumes(std::string_view mountinfo, const VolumeLookups& lookups) {
    std::unordered_map<std::string, Mount> shortestByDevice;
    for (std::string_view line : split(mountinfo, '\n')) {
        auto mount = parseMountLine(line);
        if (!mount || !isDiskFileSystem(mount->facts.type, mount->facts.source))
            continue;
        auto [known, inserted] = shortestByDevice.try_emplace(mount->device, *mount);
        if (!inserted && mount->facts.path.size() < known->second.facts.path.size())
            known->second = std::move(*mount);
    }
    std::vector<Volume> volumes;
    for (const auto& [device, mount] : shortestByDevice) {
        if (auto volume = makeVolume(mount, lookups))
            volumes.push_back(std::move(*volume));
    }
    std::ranges::sort(volumes, listedBefore);
    return volumes;
}

std::vector<MountFacts> parseMounts(std::string_view mountinfo) {
    std::vector<MountFacts> mounts;
    for (std::string_view line : split(mountinfo, '\n'))
        if (auto mount = parseMountLine(line))
            mounts.push_back(std::move(mount->facts));
    return mounts;
}

std::optional<MountFacts> findMount(std::string_view mountinfo, uint64_t id) {
    for (MountFacts& mount : parseMounts(mountinfo))
        if (mount.id == id)
            return std::move(mount);
    return std::nullopt;
}

std::string decodedTableField(std::string_view field) {
    return unescaped(field, "\\", 3, 8);
}

namespace {

std::string readMountTable() {
    return readRegularFile("/proc/self/mountinfo", kMountTableLimit).value_or("");
}

} // namespace

std::vector<MountFacts> readMounts() {
    return parseMounts(readMountTable());
}

std::optional<MountFacts> mountOf(const std::string& path) {
    FileFacts facts;
    if (readFileFacts(path.c_str(), facts) != 0)
        return std::nullopt;
    return findMount(readMountTable(), facts.mount);
}

std::optional<bool> onOneFileSystem(const std::string& a, const std::string& b) {
    auto first = mountOf(a);
    auto second = first ? mountOf(b) : std::nullopt;
    if (!second)
        return std::nullopt;
    // Sources that are not device paths ("tmpfs", "server:/export") name no one file system.
    return first->id == second->id ||
           (first->source.starts_with('/') && first->source == second->source);
}

std::vector<Volume> readVolumes() {
    auto labels = readLabels("/dev/disk/by-label");
    auto labelOf = [&labels](const std::string& source) -> std::optional<std::string> {
        std::error_code error;
        auto found = labels.find(fs::canonical(source, error).string());
        if (error || found == labels.end())
            return std::nullopt;
        return found->second;
    };
    return parseVolumes(readMountTable(), {readCapacity, labelOf});
}

std::map<std::string, std::string> readLabels(const fs::path& folder) {
    std::map<std::string, std::string> labels;
    std::error_code error;
    for (fs::directory_iterator entry(folder, error); !error && entry != fs::directory_iterator();
         entry.increment(error)) {
        std::error_code unresolved;
        auto device = fs::canonical(entry->path(), unresolved);
        if (!unresolved)
            labels.emplace(device.string(), fromLinkName(entry->path().filename().string()));
    }
    return labels;
}

std::optional<FileSystemFigures> readFileSystemFigures(const std::string& path) {
    struct statvfs figures;
    if (::statvfs(path.c_str(), &figures) != 0)
        return std::nullopt;
    auto blockSize = static_cast<int64_t>(figures.f_frsize);
    return FileSystemFigures{static_cast<int64_t>(figures.f_blocks) * blockSize,
                             static_cast<int64_t>(figures.f_bfree) * blockSize,
                             static_cast<int64_t>(figures.f_bavail) * blockSize};
}

std::optional<VolumeCapacity> readCapacity(const std::string& path) {
    auto figures = readFileSystemFigures(path);
    if (!figures)
        return std::nullopt;
    return VolumeCapacity{figures->total, figures->available, figures->reserved()};
}

std::optional<int64_t> availableBytes(const std::string& path) {
    auto capacity = readCapacity(path);
    if (!capacity)
        return std::nullopt;
    return capacity->free;
}

} // namespace tavelin::platform
