#pragma once

// Music, videos and podcast episodes that an app downloaded to play offline: they come back
// from the app. Podcast episodes are the user's call, since a feed may no longer offer old
// ones: per show for gPodder, GNOME Podcasts (also as a Flatpak) and Rhythmbox (whose library
// file lists its episodes, kept among the music), as one folder for Kasts, which names its
// files by number.

#include "advisor/Detector.h"

namespace tavelin {

class MediaDownloadsDetector final : public Detector {
public:
    int64_t minSize = 100'000'000;

    std::string id() const override { return "media-downloads"; }
    std::vector<Candidate> candidates(const AdvisorContext& context) const override;
};

} // namespace tavelin
