#pragma once

// What reading a disk's breakdown needs from the system, as callbacks, so that the rules can run
// over recorded tool output in tests. `live()` is the running system's.

#include "platform/Process.h"
#include "platform/Volumes.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tavelin {

struct DiskSystem {
    std::function<platform::ProcessResult(const platform::ProcessRequest&)> run;
    std::function<std::optional<platform::MountFacts>(const std::string& path)> mountOf;
    std::function<std::vector<platform::MountFacts>()> mounts;
    std::function<std::optional<platform::FileSystemFigures>(const std::string& path)> figures;
    // The text of /proc/swaps.
    std::function<std::string()> swaps;
    std::function<bool(const std::string& path)> exists;
    // Whether the process may list and delete btrfs snapshots itself.
    bool isRoot = false;

    static DiskSystem live();
};

} // namespace tavelin
