#include "advisor/everyday/MediaDownloadsDetector.h"

#include "util/Format.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace tavelin {
namespace {

constexpr std::array<std::string_view, 3> kVideoFolders{"Movies", "TV Shows", "Music Videos"};

struct Offer {
    std::string title;
    std::string detail;
    AdvisorCategory category;
    std::string_view rebuild;
    double confidence;
};

Candidate offline(const Node& folder, Offer kind) {
    std::string path = folder.path();
    return Candidate({
        .id = "media-downloads:" + path,
        .detector = "media-downloads",
        .title = std::move(kind.title),
        .detail = std::move(kind.detail),
        .category = kind.category,
        .rung = Rung::rebuildable,
        .action = AdvisorAction::trash({path}),
        .freed = folder.unique,
        .onDisk = folder.size,
        .evidence = {Evidence::capitalized(Evidence::Kind::rebuild, kind.rebuild),
                     Evidence::capitalized(Evidence::Kind::count,
                                           formatCounted(folder.fileCount, "file"))},
        .confidence = kind.confidence,
        .redownloadGB = static_cast<double>(folder.size) / 1e9,
    });
}

} // namespace

std::vector<Candidate> MediaDownloadsDetector::candidates(const AdvisorContext& context) const {
    std::vector<Candidate> found;
    const Node* music = context.node("Music/Music/Media.localized/Apple Music");
    if (music && music->size >= minSize)
        found.push_back(offline(
            *music, {"Apple Music downloads",
                     "Songs you downloaded from Apple Music to play offline. They stay in your "
                     "library and stream or download again from the Music app.",
                     AdvisorCategory::music, "streams from Apple Music", 0.9}));
    const Node* tv = context.node("Movies/TV/Media.localized");
    if (!tv)
        return found;
    for (const auto& child : tv->children()) {
        bool known = std::ranges::find(kVideoFolders, child->name) != kVideoFolders.end();
        if (!known || !child->isDirectory() || child->size < minSize)
            continue;
        found.push_back(offline(
            *child, {"TV app downloads: " + child->name,
                     child->name + " downloaded in the TV app. Anything you bought or rented "
                                   "downloads again from the TV app; check for videos you "
                                   "added yourself first.",
                     AdvisorCategory::photosVideos, "downloads again from the TV app", 0.7}));
    }
    return found;
}

} // namespace tavelin
