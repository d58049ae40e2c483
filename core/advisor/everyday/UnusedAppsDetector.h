#pragma once

// Large applications the user installed and has not run for half a year: Flatpak apps, which
// Flatpak uninstalls, and AppImages and /opt folders, which go to the Trash. Apps of system
// packages are the package manager's, never offered here.

#include "advisor/Detector.h"

namespace tavelin {

class UnusedAppsDetector final : public Detector {
public:
    int64_t minSize = 200'000'000;
    int minDays = 180;

    std::string id() const override { return "apps-unused"; }

    // One candidate per installed app found in the tree at `minSize` or more whose date is at
    // least `minDays` old: the last time its program ran, or, when that is unknown (file
    // systems that keep no access times), when the app itself last changed.
    std::vector<Candidate> candidates(const AdvisorContext& context) const override;
};

} // namespace tavelin
