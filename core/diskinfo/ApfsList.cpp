#include "diskinfo/ApfsList.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstring>
#include <pugixml.hpp>

namespace tavelin::DiskInfo {
namespace {

// A property-list value that could not be represented: the whole list is refused.
struct Unrepresentable {};

// The value element that follows <key>name</key> in a <dict>; empty when there is none.
pugi::xml_node valueFor(pugi::xml_node dict, const char* name) {
    for (pugi::xml_node key = dict.child("key"); key; key = key.next_sibling("key"))
        if (std::strcmp(key.child_value(), name) == 0)
            return key.next_sibling();
    return {};
}

int64_t integerFor(pugi::xml_node dict, const char* name) {
    pugi::xml_node value = valueFor(dict, name);
    if (std::strcmp(value.name(), "integer") != 0)
        return 0;
    std::string_view text = value.child_value();
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    int64_t number = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error == std::errc::result_out_of_range || (error == std::errc() && number < 0))
        throw Unrepresentable{};
    return error == std::errc() && end == text.data() + text.size() ? number : 0;
}

std::string stringFor(pugi::xml_node dict, const char* name, const char* missing) {
    pugi::xml_node value = valueFor(dict, name);
    return std::strcmp(value.name(), "string") == 0 ? value.child_value() : missing;
}

std::vector<std::string> stringsFor(pugi::xml_node dict, const char* name) {
    std::vector<std::string> strings;
    pugi::xml_node array = valueFor(dict, name);
    if (std::strcmp(array.name(), "array") != 0)
        return strings;
    for (pugi::xml_node item = array.child("string"); item; item = item.next_sibling("string"))
        strings.emplace_back(item.child_value());
    return strings;
}

DiskBreakdown::Volume volumeFrom(pugi::xml_node dict) {
    return {stringFor(dict, "Name", "?"), stringsFor(dict, "Roles"),
            integerFor(dict, "CapacityInUse"), stringFor(dict, "DeviceIdentifier", "")};
}

bool holds(const std::vector<DiskBreakdown::Volume>& volumes, const std::string& device) {
    return std::any_of(volumes.begin(), volumes.end(), [&](const DiskBreakdown::Volume& v) {
        return v.device == device || (!v.device.empty() && device.starts_with(v.device + "s"));
    });
}

std::optional<ApfsContainer> containerFor(pugi::xml_node containers, const std::string& device) {
    for (pugi::xml_node dict = containers.child("dict"); dict; dict = dict.next_sibling("dict")) {
        std::vector<DiskBreakdown::Volume> volumes;
        pugi::xml_node list = valueFor(dict, "Volumes");
        if (std::strcmp(list.name(), "array") == 0)
            for (pugi::xml_node volume = list.child("dict"); volume;
                 volume = volume.next_sibling("dict"))
                volumes.push_back(volumeFrom(volume));
        if (holds(volumes, device))
            return ApfsContainer{integerFor(dict, "CapacityCeiling"),
                                 integerFor(dict, "CapacityFree"), std::move(volumes)};
    }
    return std::nullopt;
}

} // namespace

std::optional<ApfsContainer> parseAPFSList(std::string_view data, const std::string& device) {
    pugi::xml_document document;
    if (!document.load_buffer(data.data(), data.size()))
        return std::nullopt;
    pugi::xml_node top = document.child("plist").child("dict");
    pugi::xml_node containers = valueFor(top, "Containers");
    if (std::strcmp(containers.name(), "array") != 0)
        return std::nullopt;
    try {
        return containerFor(containers, device);
    } catch (const Unrepresentable&) {
        return std::nullopt;
    }
}

} // namespace tavelin::DiskInfo
