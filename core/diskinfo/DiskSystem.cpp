#include "diskinfo/DiskSystem.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace tavelin {

DiskSystem DiskSystem::live() {
    DiskSystem system;
    system.run = platform::runProcess;
    system.mountOf = platform::mountOf;
    system.mounts = platform::readMounts;
    system.figures = platform::readFileSystemFigures;
    system.swaps = [] {
        std::ifstream file("/proc/swaps");
        std::ostringstream text;
        text << file.rdbuf();
        return text.str();
    };
    system.exists = [](const std::string& path) {
        std::error_code error;
        return std::filesystem::exists(path, error);
    };
    system.isRoot = ::geteuid() == 0;
    return system;
}

} // namespace tavelin
