#pragma once

// Music and videos that a store app downloaded to play offline: they come back from the app.

#include "advisor/Detector.h"

namespace tavelin {

class MediaDownloadsDetector final : public Detector {
public:
    int64_t minSize = 100'000'000;

    std::string id() const override { return "media-downloads"; }
    std::vector<Candidate> candidates(const AdvisorContext& context) const override;
};

} // namespace tavelin
