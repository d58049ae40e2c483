#pragma once

// Old screenshots and screen recordings scattered over the user's folders, offered together
// once they add up to something worth clearing. A screenshot is rarely over a megabyte, so the
// scan folds most of them into their folder's figures: the detector lists the user's folders
// and the screenshot folders itself (a handful of directory reads, on the pass's thread).

#include "advisor/Detector.h"

#include <array>
#include <string_view>

namespace tavelin {

class ScreenshotsDetector final : public Detector {
public:
    int minDays = 30;
    int64_t minTotal = 10'000'000;

    // Extensions (lower-cased) screenshot and recording tools save with; those of videos are
    // recordings.
    static constexpr std::array<std::string_view, 12> kExtensions{
        "png", "jpg", "jpeg", "heic", "tif", "tiff", "gif", "webp", "mov", "mp4", "m4v", "webm",
    };

    std::string id() const override { return "screenshots"; }

    // One candidate for every screenshot and recording at least `minDays` old in the Desktop,
    // Documents, Downloads, Pictures and Videos folders and the folders below them, except
    // inside packages, hidden folders and repositories; none while they total under `minTotal`.
    // A file is one when its name begins as screenshot tools name theirs (in English, or as
    // GNOME names them in the user's language where its translation is installed), when it is
    // named the way Flameshot names its files ("2025-03-14_09-30.png"), or when it lies in the
    // folder GNOME and KDE keep them in (Pictures/Screenshots, Videos/Screencasts, or their
    // translated names).
    std::vector<Candidate> candidates(const AdvisorContext& context) const override;
};

} // namespace tavelin
