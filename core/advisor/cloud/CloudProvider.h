#pragma once

// One cloud-storage folder on this computer: files in it are kept by the provider too.

#include "util/Hashing.h"

#include <string>

namespace tavelin {

struct CloudProvider {
    std::string name;      // shown to the user, e.g. "Dropbox"
    std::string root;      // absolute path of its local folder
    bool isICloud = false; // the system's own cloud drive

    const std::string& id() const { return root; }
    bool operator==(const CloudProvider&) const = default;
};

} // namespace tavelin

template <>
struct std::hash<tavelin::CloudProvider> {
    size_t operator()(const tavelin::CloudProvider& provider) const {
        return tavelin::hashValues(provider.name, provider.root, provider.isICloud);
    }
};
