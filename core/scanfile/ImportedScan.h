#pragma once

// A scan read from an export file instead of walked here: the tree as a walk of the same folder
// would have built it, and what the file says about where it came from. The files it describes
// are on another computer, or no longer in this state, so nothing may act on them.

#include "scan/ExtensionTally.h"
#include "scan/Node.h"
#include "util/Dates.h"

#include <cstdint>
#include <optional>
#include <string>

namespace tavelin {

struct ImportedScan {
    Node::Ptr root;
    ExtensionTally kinds;
    // The file's name as the user knows it ("server.json.gz"), "standard input" for a pipe.
    std::string fileName;
    // The tool that wrote the file and its version, as the file names them (may be empty).
    std::string program;
    std::string programVersion;
    // When the file was written, when it says.
    std::optional<Date> written;
    // Folders the writing tool could not read, and entries it could not examine.
    int64_t errors = 0;

    // The tool that wrote the file, with its version: "ncdu 1.18".
    std::string writer() const {
        if (program.empty())
            return "an unnamed tool";
        return programVersion.empty() ? program : program + " " + programVersion;
    }
};

} // namespace tavelin
