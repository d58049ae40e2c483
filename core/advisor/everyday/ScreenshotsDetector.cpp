#include "advisor/everyday/ScreenshotsDetector.h"

#include "advisor/everyday/Everyday.h"
#include "util/Format.h"
#include "util/LinuxWordings.h"

#include <unordered_set>

namespace tavelin {
namespace {

constexpr std::string_view kFolders =
    linuxWording(" old, from your Desktop, Documents, Downloads and Pictures.");

struct Found {
    std::vector<std::string> paths;
    std::unordered_set<std::string> collected;
    int64_t screenshots = 0;
    int64_t recordings = 0;
    int64_t size = 0;
    int64_t unique = 0;
    Date oldest = Date::max();
    Date newest = kDistantPast;
};

// Folders below a starting folder that hold no screenshots of the user's: packages, hidden
// folders and repositories.
bool isEntered(const Node& folder) {
    if (folder.name.starts_with('.') ||
        Everyday::contains(Everyday::kPackages, Everyday::extension(folder.name)))
        return false;
    return std::ranges::none_of(folder.children(),
                                [](const Node::Ptr& child) { return child->name == ".git"; });
}

std::string countLine(const Found& found) {
    std::string shots = found.screenshots > 0 ? formatCounted(found.screenshots, "screenshot") : "";
    std::string recordings =
        found.recordings > 0 ? formatCounted(found.recordings, "recording") : "";
    if (shots.empty() || recordings.empty())
        return shots + recordings;
    return shots + " and " + recordings;
}

// Two dates' month texts are equal exactly when they fall in one month.
std::string takenLine(const Found& found, Date now) {
    std::string oldest = Everyday::month(found.oldest, now);
    std::string newest = Everyday::month(found.newest, now);
    return oldest == newest ? "taken in " + oldest : "taken from " + oldest + " to " + newest;
}

std::string title(const Found& found) {
    if (found.recordings == 0)
        return "Old screenshots";
    return found.screenshots == 0 ? "Old screen recordings"
                                  : "Old screenshots and screen recordings";
}

} // namespace

std::vector<Candidate> ScreenshotsDetector::candidates(const AdvisorContext& context) const {
    const auto& folders = context.userFolders;
    Found found;
    for (const auto* location : {&folders.desktop, &folders.documents, &folders.downloads,
                                 &folders.pictures, &folders.videos}) {
        Node* start = Everyday::userFolder(context, *location);
        std::vector<const Node*> pending;
        if (start)
            pending.push_back(start);
        while (!pending.empty()) {
            const Node* folder = pending.back();
            pending.pop_back();
            for (const auto& child : folder->children()) {
                const Node& node = *child;
                if (node.isDirectory()) {
                    if (isEntered(node))
                        pending.push_back(&node);
                    continue;
                }
                if (!Everyday::hasScreenshotPrefix(node.name))
                    continue;
                std::string extension = Everyday::extension(node.name);
                if (!Everyday::contains(kExtensions, extension) ||
                    context.daysSince(node.modified) < minDays)
                    continue;
                std::string path = node.path();
                if (!found.collected.insert(path).second)
                    continue;
                found.paths.push_back(std::move(path));
                bool recording = Everyday::contains(Everyday::kVideoExtensions, extension);
                (recording ? found.recordings : found.screenshots) += 1;
                found.size += node.size;
                found.unique += node.unique;
                found.oldest = std::min(found.oldest, node.modified);
                found.newest = std::max(found.newest, node.modified);
            }
        }
    }
    if (found.paths.empty() || found.size < minTotal)
        return {};
    return {Candidate({
        .id = "screenshots:" + context.home,
        .detector = "screenshots",
        .title = title(found),
        .detail = "Screenshots and screen recordings more than " + Everyday::span(minDays) +
                  std::string(kFolders) +
                  " They move to the Trash, so you can put back any you want to keep.",
        .category = AdvisorCategory::photosVideos,
        .rung = Rung::review,
        .action = AdvisorAction::trash(std::move(found.paths)),
        .freed = found.unique,
        .onDisk = found.size,
        .evidence = {Evidence::capitalized(Evidence::Kind::count, countLine(found)),
                     Evidence::capitalized(Evidence::Kind::lastUsed,
                                           takenLine(found, context.now))},
        .confidence = 0.8,
        .value = 0.25,
    })};
}

} // namespace tavelin
