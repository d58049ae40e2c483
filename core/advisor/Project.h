#pragma once

// The project folder a suggestion belongs to (the Projects namespace finds and names them).

#include "util/Hashing.h"

#include <string>

namespace tavelin {

struct Project {
    std::string root; // absolute path of the project folder
    std::string name; // its display name

    const std::string& id() const { return root; }
    bool operator==(const Project&) const = default;
};

} // namespace tavelin

template <>
struct std::hash<tavelin::Project> {
    size_t operator()(const tavelin::Project& project) const {
        return tavelin::hashValues(project.root, project.name);
    }
};
