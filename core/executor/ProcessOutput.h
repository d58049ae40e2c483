#pragma once

#include <cstdint>
#include <string>

namespace tavelin {

// How a child process ended and what it printed.
struct ProcessOutput {
    int32_t status = -1; // exit status; -1 when it could not start or did not exit by itself
    std::string output;  // standard output and error together, as valid UTF-8
    bool operator==(const ProcessOutput&) const = default;
};

} // namespace tavelin
