#pragma once

// A clean-up command run by the tool that owns the space it frees.

#include "util/Hashing.h"

#include <string>
#include <vector>

namespace tavelin {

struct ToolCommand {
    std::string executable; // absolute path
    std::vector<std::string> arguments;
    std::string display; // the command as the user sees it

    bool operator==(const ToolCommand&) const = default;
};

} // namespace tavelin

template <>
struct std::hash<tavelin::ToolCommand> {
    size_t operator()(const tavelin::ToolCommand& command) const {
        return tavelin::hashValues(command.executable, command.arguments, command.display);
    }
};
