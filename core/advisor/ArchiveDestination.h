#pragma once

// Where an archive action moves things: into a cloud provider's folder, or a folder on another
// drive.

#include "advisor/cloud/CloudProvider.h"

#include <string>
#include <variant>

namespace tavelin {

struct ArchiveDestination {
    struct Drive {
        std::string path;
        bool operator==(const Drive&) const = default;
    };

    std::variant<CloudProvider, Drive> value;

    static ArchiveDestination cloud(CloudProvider provider) { return {std::move(provider)}; }
    static ArchiveDestination drive(std::string path) { return {Drive{std::move(path)}}; }

    bool operator==(const ArchiveDestination&) const = default;
};

} // namespace tavelin

template <>
struct std::hash<tavelin::ArchiveDestination> {
    size_t operator()(const tavelin::ArchiveDestination& destination) const {
        if (const auto* drive = std::get_if<tavelin::ArchiveDestination::Drive>(&destination.value))
            return tavelin::hashValues(1, drive->path);
        return tavelin::hashValues(0, std::get<tavelin::CloudProvider>(destination.value));
    }
};
