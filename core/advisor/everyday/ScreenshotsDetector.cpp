#include "advisor/everyday/ScreenshotsDetector.h"

#include "advisor/everyday/Everyday.h"
#include "util/Format.h"
#include "util/LinuxWordings.h"
#include "util/Paths.h"

#include <unordered_set>

namespace tavelin {
namespace {

constexpr std::string_view kFolders =
    linuxWording(" old, from your Desktop, Documents, Downloads and Pictures.");

// GNOME's names for its files and folders, in the message catalogs of the shell (since 42)
// and of the older screenshot program; each version spelled one way or the other.
constexpr std::array<std::string_view, 2> kDomains{"gnome-shell", "gnome-screenshot"};
constexpr std::array<std::string_view, 4> kFileNames{"Screenshot from %s", "Screenshot From %s",
                                                     "Screencast from %d %t.webm",
                                                     "Screencast From %d %t.webm"};

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

// What tells a screenshot in this run: names in the user's language, and the folders the
// desktops keep them in.
struct Names {
    std::vector<std::string> prefixes;
    std::unordered_set<const Node*> screenshotFolders;
};

// The part of a translated file name before its first placeholder; nothing for one too short
// to tell a screenshot by.
std::optional<std::string> prefixOf(const std::string& translated) {
    std::string prefix = translated.substr(0, translated.find('%'));
    return prefix.size() >= 4 ? std::optional(prefix) : std::nullopt;
}

Names names(const AdvisorContext& context) {
    Names found;
    std::vector<std::string> screenshots{"Screenshots"};
    std::vector<std::string> screencasts{"Screencasts"};
    for (std::string_view domain : kDomains) {
        std::string name(domain);
        for (std::string_view text : kFileNames)
            if (auto translated = context.translate(name, std::string(text)))
                if (auto prefix = prefixOf(*translated))
                    found.prefixes.push_back(std::move(*prefix));
        if (auto folder = context.translate(name, "Screenshots"))
            screenshots.push_back(*folder);
        if (auto folder = context.translate(name, "Screencasts"))
            screencasts.push_back(*folder);
    }
    const auto& folders = context.userFolders;
    auto add = [&](const std::optional<std::string>& parent, const std::vector<std::string>& list) {
        if (!parent || parent->empty())
            return;
        for (const std::string& name : list)
            if (Node* node = context.node(joinPath(*parent, name)))
                found.screenshotFolders.insert(node);
    };
    add(folders.pictures, screenshots);
    add(folders.videos, screencasts);
    return found;
}

bool isDigits(std::string_view text) {
    return std::ranges::all_of(text, [](char c) { return c >= '0' && c <= '9'; });
}

// Flameshot's "2025-03-14_09-30.png", "2025-03-14_09-30_1.png" for a second in that minute.
bool isFlameshotName(std::string_view name) {
    if (!name.ends_with(".png"))
        return false;
    name.remove_suffix(4);
    if (name.size() > 16 && name[16] == '_' && isDigits(name.substr(17)))
        name = name.substr(0, 16);
    constexpr std::string_view kShape = "dddd-dd-dd_dd-dd";
    if (name.size() != kShape.size())
        return false;
    for (size_t i = 0; i < kShape.size(); ++i)
        if (kShape[i] == 'd' ? !isDigits(name.substr(i, 1)) : name[i] != kShape[i])
            return false;
    return true;
}

bool isScreenshotName(std::string_view name, const Names& known) {
    return Everyday::hasScreenshotPrefix(name) || isFlameshotName(name) ||
           std::ranges::any_of(known.prefixes,
                               [&](const std::string& prefix) { return name.starts_with(prefix); });
}

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

class Search {
public:
    Search(const ScreenshotsDetector& detector, const AdvisorContext& context)
        : detector_(detector)
        , context_(context)
        , names_(names(context)) {}

    Found run() {
        const auto& folders = context_.userFolders;
        for (const auto* location : {&folders.desktop, &folders.documents, &folders.downloads,
                                     &folders.pictures, &folders.videos})
            if (Node* start = Everyday::userFolder(context_, *location))
                walk(*start);
        return std::move(found_);
    }

private:
    void walk(const Node& start) {
        std::vector<const Node*> pending{&start};
        while (!pending.empty()) {
            const Node* folder = pending.back();
            pending.pop_back();
            bool screenshotFolder = names_.screenshotFolders.contains(folder);
            // The folders the search starts from and the screenshot folders are listed: the
            // tree holds only their large files.
            bool listed =
                (folder == &start || screenshotFolder) && addListed(*folder, screenshotFolder);
            for (const auto& child : folder->children()) {
                const Node& node = *child;
                if (node.isDirectory()) {
                    if (isEntered(node))
                        pending.push_back(&node);
                } else if (!listed && node.kind() == Node::Kind::file) {
                    consider(node.path(), node.name,
                             {node.name, false, node.size, node.unique, node.modified},
                             screenshotFolder);
                }
            }
        }
    }

    bool addListed(const Node& folder, bool screenshotFolder) {
        std::string path = folder.path();
        auto entries = context_.listFolder(path);
        if (!entries)
            return false;
        for (const FolderEntry& entry : *entries)
            if (!entry.isFolder)
                consider(joinPath(path, entry.name), entry.name, entry, screenshotFolder);
        return true;
    }

    void consider(std::string path, std::string_view name, const FolderEntry& file,
                  bool screenshotFolder) {
        if (!screenshotFolder && !isScreenshotName(name, names_))
            return;
        std::string extension = Everyday::extension(name);
        if (!Everyday::contains(ScreenshotsDetector::kExtensions, extension) ||
            context_.daysSince(file.modified) < detector_.minDays ||
            !found_.collected.insert(path).second)
            return;
        found_.paths.push_back(std::move(path));
        bool recording = Everyday::contains(Everyday::kVideoExtensions, extension);
        (recording ? found_.recordings : found_.screenshots) += 1;
        found_.size += file.size;
        found_.unique += file.unique;
        found_.oldest = std::min(found_.oldest, file.modified);
        found_.newest = std::max(found_.newest, file.modified);
    }

    const ScreenshotsDetector& detector_;
    const AdvisorContext& context_;
    Names names_;
    Found found_;
};

} // namespace

std::vector<Candidate> ScreenshotsDetector::candidates(const AdvisorContext& context) const {
    Found found = Search(*this, context).run();
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
