#pragma once

// The disk tool's list of APFS containers, as an XML property list.

#include "diskinfo/DiskBreakdown.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavelin::DiskInfo {

struct ApfsContainer {
    int64_t capacity = 0;
    int64_t free = 0;
    std::vector<DiskBreakdown::Volume> volumes;
    bool operator==(const ApfsContainer&) const = default;
};

// The first container holding `device` (one of its volumes, or a snapshot of one: disk3s1s1
// belongs with disk3s1). Missing or mistyped keys read as 0, "?" or empty; nothing when the
// text is not a property list with a "Containers" array, when no container holds the device,
// or when a figure does not fit a signed 64-bit count.
std::optional<ApfsContainer> parseAPFSList(std::string_view data, const std::string& device);

} // namespace tavelin::DiskInfo
