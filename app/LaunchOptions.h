#pragma once

#include <string>
#include <vector>

namespace tavelin {

// What the command line asked for: "-scan PATH" scans PATH when the first window shows. Paths
// are kept as the bytes given: a folder's name need not be valid UTF-8.
struct LaunchOptions {
    std::string scanPath;
    // "--report PATH": print the agent report of PATH instead of opening a window;
    // "--condensed" prints its condensed form.
    std::string reportPath;
    bool condensed = false;

    // `arguments` starts with the program itself.
    static LaunchOptions parse(const std::vector<std::string>& arguments);
};

} // namespace tavelin
