#pragma once

// Large files in the home folder that have not been changed or opened for half a year, outside
// projects, app data, cloud folders and the Downloads folder's own detectors.

#include "advisor/AdvisorCategory.h"
#include "advisor/Detector.h"

#include <array>
#include <string_view>

namespace tavelin {

class LargeFilesDetector final : public Detector {
public:
    int64_t minSize = 500'000'000;
    int minDays = 180;

    // Folders that are documents and judged as one item, like a file.
    static constexpr std::array<std::string_view, 4> kDocumentPackages{"key", "pages", "numbers",
                                                                       "rtfd"};
    // Folders below the home folder never entered: where applications keep their data and
    // downloads (SDK images, virtual machines, editors, environments), not the user's files.
    static constexpr std::array<std::string_view, 10> kSkippedFolders{
        "Library",
        "Applications",
        "Music/Music/Media.localized",
        "Movies/TV/Media.localized",
        "snap",
        "Android/Sdk",
        "VirtualBox VMs",
        "Unity/Hub",
        "miniconda3",
        "anaconda3",
    };

    std::string id() const override { return "large-files"; }
    std::vector<Candidate> candidates(const AdvisorContext& context) const override;

    // The section a large file is listed under, by its lower-cased extension: videos under
    // photos and videos, disk images under backups and installers, archives under downloads
    // when in the Downloads folder and documents elsewhere, audio under music, the rest under
    // documents.
    static AdvisorCategory category(std::string_view extension, bool inDownloads);
};

} // namespace tavelin
