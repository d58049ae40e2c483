#pragma once

// Big things in the Downloads folder that nobody has touched for months. Installers and
// screenshots there are left to their own detectors.

#include "advisor/Detector.h"
#include "advisor/everyday/InstalledIndex.h"

#include <vector>

namespace tavelin {

class OldDownloadsDetector final : public Detector {
public:
    int64_t minSize = 20'000'000;
    int minDays = 60;

    std::string id() const override { return "downloads-old"; }
    std::vector<Candidate> candidates(const AdvisorContext& context) const override;

    // Whether an item directly in the Downloads folder is one this detector offers: at least
    // `minSize`, not an installer (a compressed tar archive is one only when `installed`
    // matches it) nor a screenshot, not an installed app nor holding one, and both its newest
    // modification and its last touch at least `minDays` old. The large-file detector asks too.
    bool offers(const Node& node, const AdvisorContext& context, const InstalledIndex& installed,
                const std::vector<platform::InstalledApp>& apps) const;
};

} // namespace tavelin
