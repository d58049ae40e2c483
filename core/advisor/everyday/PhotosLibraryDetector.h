#pragma once

// A big Photos library in the Pictures folder: a guide to keeping the full-size originals in
// iCloud. Nothing is moved by the advisor itself.

#include "advisor/Detector.h"

namespace tavelin {

class PhotosLibraryDetector final : public Detector {
public:
    int64_t minSize = 5'000'000'000;

    std::string id() const override { return "photos-library"; }
    std::vector<Candidate> candidates(const AdvisorContext& context) const override;
};

} // namespace tavelin
