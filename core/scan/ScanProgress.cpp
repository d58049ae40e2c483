#include "scan/ScanProgress.h"

#include <algorithm>

namespace tavelin::ScanProgress {

std::optional<double> fraction(int64_t scanned, std::optional<int64_t> lastScan,
                               std::optional<int64_t> diskUsed) {
    for (const auto& whole : {lastScan, diskUsed})
        if (whole && *whole > 0)
            return std::clamp(static_cast<double>(scanned) / static_cast<double>(*whole), 0.0,
                              ceiling);
    return std::nullopt;
}

} // namespace tavelin::ScanProgress
