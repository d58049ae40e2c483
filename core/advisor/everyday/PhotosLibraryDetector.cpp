#include "advisor/everyday/PhotosLibraryDetector.h"

#include "advisor/everyday/Everyday.h"
#include "util/Format.h"
#include "util/LinuxWordings.h"

namespace tavelin {

std::vector<Candidate> PhotosLibraryDetector::candidates(const AdvisorContext& context) const {
    std::vector<Candidate> found;
    Node* pictures = Everyday::userFolder(context, context.userFolders.pictures);
    if (!pictures)
        return found;
    for (const auto& child : pictures->children()) {
        const Node& library = *child;
        if (Everyday::extension(library.name) != "photoslibrary" || library.size < minSize)
            continue;
        // The smaller copies kept on this computer take about a fifth of the originals.
        auto freed = static_cast<int64_t>(static_cast<double>(library.size) * 0.8);
        found.push_back(Candidate({
            .id = "photos-library:" + library.path(),
            .detector = "photos-library",
            .title = "Optimize Photos storage",
            .detail = library.name + " takes " + formatBytes(library.size) +
                      ". With iCloud Photos, Photos can keep the full-size originals in iCloud "
                      "and" +
                      std::string(linuxWording(" smaller versions on this Mac.")) +
                      " Needs enough iCloud storage for your library.",
            .category = AdvisorCategory::photosVideos,
            .rung = Rung::lossless,
            .action = AdvisorAction::guide(
                "file:///System/Applications/Photos.app",
                "In Photos, choose Settings › iCloud › Optimize Mac Storage. Full-size photos "
                "stay in iCloud and download when you open them."),
            .freed = freed,
            .onDisk = library.size,
            .evidence = {Evidence::capitalized(Evidence::Kind::note,
                                               "up to " + formatBytes(freed) + " back"),
                         Evidence::capitalized(Evidence::Kind::backup, "originals stay in iCloud")},
            .confidence = 0.5,
        }));
    }
    return found;
}

} // namespace tavelin
