#include "diskinfo/DiskBreakdown.h"

#include <algorithm>

namespace tavelin {

std::optional<DiskBreakdown::Volume> DiskBreakdown::dataVolume(const std::string& device) const {
    auto first = [this](auto matches) -> std::optional<Volume> {
        auto found = std::find_if(volumes.begin(), volumes.end(), matches);
        return found == volumes.end() ? std::nullopt : std::optional<Volume>(*found);
    };
    if (auto exact = first([&](const Volume& v) { return v.device == device; }))
        return exact;
    if (auto snapshotOf = first([&](const Volume& v) {
            return !v.device.empty() && device.starts_with(v.device + "s");
        }))
        return snapshotOf;
    return first([](const Volume& v) {
        return std::find(v.roles.begin(), v.roles.end(), "Data") != v.roles.end();
    });
}

std::vector<DiskBreakdown::Volume> DiskBreakdown::otherVolumes(const std::string& device) const {
    std::optional<Volume> data = dataVolume(device);
    std::vector<Volume> others;
    for (const Volume& volume : volumes)
        if (volume.inUse > 0 && (!data || volume.device != data->device))
            others.push_back(volume);
    std::stable_sort(others.begin(), others.end(),
                     [](const Volume& a, const Volume& b) { return a.inUse > b.inUse; });
    return others;
}

} // namespace tavelin
