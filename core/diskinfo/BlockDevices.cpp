#include "diskinfo/BlockDevices.h"

#include <algorithm>
#include <charconv>
#include <nlohmann/json.hpp>
#include <set>

namespace tavelin::DiskInfo {
namespace {

using Json = nlohmann::json;

std::string text(const Json& object, const char* key) {
    auto found = object.find(key);
    return found != object.end() && found->is_string() ? found->get<std::string>() : "";
}

int64_t size(const Json& object) {
    auto found = object.find("size");
    if (found == object.end())
        return -1;
    if (found->is_number_unsigned() && found->get<uint64_t>() <= INT64_MAX)
        return found->get<int64_t>();
    if (!found->is_string())
        return -1;
    const std::string& digits = found->get_ref<const std::string&>();
    int64_t value = -1;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return error == std::errc() && end == digits.data() + digits.size() && value >= 0 ? value : -1;
}

std::vector<std::string> mountPoints(const Json& object) {
    std::vector<std::string> points;
    if (auto list = object.find("mountpoints"); list != object.end() && list->is_array()) {
        for (const Json& point : *list)
            if (point.is_string())
                points.push_back(point.get<std::string>());
    } else if (std::string single = text(object, "mountpoint"); !single.empty()) {
        points.push_back(single);
    }
    return points;
}

std::vector<BlockDevice> devicesIn(const Json& list, int depth) {
    std::vector<BlockDevice> devices;
    // A device tree is a few levels deep; anything deeper is not lsblk's.
    if (!list.is_array() || depth > 16)
        return devices;
    for (const Json& object : list) {
        if (!object.is_object())
            continue;
        BlockDevice device{
            text(object, "name"),   text(object, "path"),  text(object, "type"), size(object),
            text(object, "fstype"), text(object, "label"), mountPoints(object),  {}};
        if (auto children = object.find("children"); children != object.end())
            device.children = devicesIn(*children, depth + 1);
        if (!device.name.empty())
            devices.push_back(std::move(device));
    }
    return devices;
}

bool has(const std::vector<std::string>& list, std::string_view value) {
    return std::find(list.begin(), list.end(), value) != list.end();
}

std::vector<std::string_view> words(std::string_view line) {
    std::vector<std::string_view> result;
    size_t at = 0;
    while (at < line.size()) {
        size_t start = line.find_first_not_of(" \t", at);
        if (start == std::string_view::npos)
            break;
        size_t end = std::min(line.find_first_of(" \t", start), line.size());
        result.push_back(line.substr(start, end - start));
        at = end;
    }
    return result;
}

// The devices from the top of the tree down to the one carrying the file system.
bool findChain(const std::vector<BlockDevice>& devices, const platform::MountFacts& mount,
               std::vector<const BlockDevice*>& chain) {
    for (const BlockDevice& device : devices) {
        chain.push_back(&device);
        if ((!device.path.empty() && device.path == mount.source) ||
            has(device.mountPoints, mount.path) || findChain(device.children, mount, chain))
            return true;
        chain.pop_back();
    }
    return false;
}

std::string deviceId(const BlockDevice& device) {
    return device.path.starts_with("/dev/") ? device.path.substr(5) : device.name;
}

bool isBootMount(const std::string& point) {
    return point == "/boot" || point == "/efi" || point.starts_with("/boot/");
}

// The volume a leaf device is: its role word and name decide its label.
DiskBreakdown::Volume volumeOf(const BlockDevice& device) {
    std::vector<std::string> points = device.mountPoints;
    std::sort(points.begin(), points.end(), [](const std::string& a, const std::string& b) {
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    });
    DiskBreakdown::Volume volume{device.label, {}, device.size, deviceId(device)};
    if (device.fsType == "swap" || has(points, "[SWAP]")) {
        volume.roles = {"VM"};
    } else if (auto boot = std::find_if(points.begin(), points.end(), isBootMount);
               boot != points.end()) {
        volume.roles = {"Preboot"};
        volume.name = *boot;
    } else if (has(points, "/")) {
        volume.roles = {"System"};
        if (volume.name.empty())
            volume.name = "root";
    }
    if (volume.name.empty())
        volume.name =
            points.empty() || points.front().starts_with("[") ? device.name : points.front();
    return volume;
}

struct Tally {
    const BlockDevice* data;
    size_t dataIndex = 0;
    std::vector<DiskBreakdown::Volume> volumes;
    std::set<std::string> seen; // a logical volume spread over two disks shows twice
    int64_t structures = 0;
    int64_t unallocated = 0;
    bool sizesKnown = true;
};

void tally(const BlockDevice& device, Tally& result) {
    if (device.size < 0) {
        result.sizesKnown = false;
        return;
    }
    if (&device == result.data) {
        result.dataIndex = result.volumes.size();
        result.volumes.push_back(volumeOf(device));
        result.volumes.back().roles.insert(result.volumes.back().roles.begin(), "Data");
        return;
    }
    if (device.children.empty()) {
        if (result.seen.insert(deviceId(device)).second)
            result.volumes.push_back(volumeOf(device));
        return;
    }
    int64_t held = 0;
    for (const BlockDevice& child : device.children) {
        tally(child, result);
        held += std::max<int64_t>(child.size, 0);
    }
    int64_t gap = std::max<int64_t>(device.size - held, 0);
    // Space a disk or a volume group has not given to any partition or logical volume could
    // still be; the rest (encryption headers, nested tables) is the disk's own.
    bool givesOut = device.type == "disk" || device.type == "loop" ||
                    std::all_of(device.children.begin(), device.children.end(),
                                [](const BlockDevice& child) { return child.type == "lvm"; });
    (givesOut ? result.unallocated : result.structures) += gap;
}

} // namespace

std::optional<std::vector<BlockDevice>> parseBlockDevices(std::string_view json) {
    Json document = Json::parse(json, nullptr, false);
    if (document.is_discarded() || !document.is_object())
        return std::nullopt;
    auto list = document.find("blockdevices");
    if (list == document.end() || !list->is_array())
        return std::nullopt;
    return devicesIn(*list, 0);
}

std::vector<SwapFile> parseSwapFiles(std::string_view text) {
    std::vector<SwapFile> files;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = std::min(text.find('\n', start), text.size());
        std::vector<std::string_view> fields = words(text.substr(start, end - start));
        start = end + 1;
        int64_t kibibytes = 0;
        if (fields.size() != 5 || fields[1] != "file" ||
            std::from_chars(fields[2].data(), fields[2].data() + fields[2].size(), kibibytes).ptr !=
                fields[2].data() + fields[2].size() ||
            kibibytes < 0 || kibibytes > INT64_MAX / 1024)
            continue;
        files.push_back({platform::decodedTableField(fields[0]), kibibytes * 1024});
    }
    return files;
}

std::optional<DiskBreakdown> breakdownFor(const std::vector<BlockDevice>& devices,
                                          const DataFileSystem& data) {
    std::vector<const BlockDevice*> chain;
    if (!findChain(devices, data.mount, chain))
        return std::nullopt;
    const BlockDevice& disk = *chain.front();
    const BlockDevice& carrier = *chain.back();
    const platform::FileSystemFigures& figures = data.figures;
    if (disk.size <= 0 || carrier.size < 0 || figures.total <= 0)
        return std::nullopt;

    Tally result{&carrier, 0, {}, {}, 0, 0, true};
    tally(disk, result);
    if (!result.sizesKnown)
        return std::nullopt;

    int64_t used = figures.used();
    for (const SwapFile& swap : data.swapFiles) {
        int64_t size = std::min(swap.size, used);
        used -= size;
        std::string name = swap.path.substr(swap.path.rfind('/') + 1);
        result.volumes.push_back({name, {"VM"}, size, swap.path});
    }
    result.volumes[result.dataIndex].inUse = used;

    DiskBreakdown breakdown;
    breakdown.capacity = disk.size;
    breakdown.reserved = figures.reserved();
    breakdown.structures = result.structures + std::max<int64_t>(carrier.size - figures.total, 0);
    breakdown.unallocated = result.unallocated;
    breakdown.free = std::max<int64_t>(figures.available, 0) + result.unallocated;
    breakdown.volumes = std::move(result.volumes);
    return breakdown;
}

} // namespace tavelin::DiskInfo
