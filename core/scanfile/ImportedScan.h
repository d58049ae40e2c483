#pragma once

// A scan read from an export file instead of walked here: the tree as a walk of the same folder
// would have built it, and what the file says about where it came from. The files it describes
// are on another computer, or no longer in this state, so nothing may act on them.

#include "scan/ExtensionTally.h"
#include "scan/Node.h"
#include "scanfile/ScanSource.h"
#include "util/Dates.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

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

    // The tool that wrote the file, with its version ("ncdu 1.18"), the file and its date.
    ScanSource source() const {
        std::string writer = program.empty()          ? "an unnamed tool"
                             : programVersion.empty() ? program
                                                      : program + " " + programVersion;
        return {writer, fileName, written};
    }

    // The home folder the advisor's rules read a scan of `rootPath` against: the user's home
    // the scan lies in when it lies in one (/home/NAME, /root), else `fallback`. A server's
    // user scanned there is not the user here.
    static std::string homeFor(std::string_view rootPath, std::string_view fallback);
};

} // namespace tavelin
