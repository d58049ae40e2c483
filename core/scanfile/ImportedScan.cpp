#include "scanfile/ImportedScan.h"

#include "util/Paths.h"

namespace tavelin {

std::string ImportedScan::homeFor(std::string_view rootPath, std::string_view fallback) {
    if (rootPath == "/root" || isBelow(rootPath, "/root"))
        return "/root";
    constexpr std::string_view kHomes = "/home/";
    if (rootPath.starts_with(kHomes)) {
        std::string_view rest = rootPath.substr(kHomes.size());
        std::string_view name = rest.substr(0, rest.find('/'));
        if (!name.empty())
            return std::string(kHomes) + std::string(name);
    }
    return std::string(fallback);
}

} // namespace tavelin
