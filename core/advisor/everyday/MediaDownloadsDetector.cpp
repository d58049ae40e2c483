#include "advisor/everyday/MediaDownloadsDetector.h"

#include "platform/PercentEncoding.h"
#include "util/Format.h"

#include <algorithm>
#include <array>
#include <map>
#include <pugixml.hpp>
#include <string_view>

namespace tavelin {
namespace {

// Where podcast apps keep what they downloaded: a folder per show, or all in one folder.
struct PodcastFolder {
    std::string_view app;
    std::string_view location;
    bool perShow;
};
constexpr std::array<PodcastFolder, 5> kPodcastFolders{{
    {"gPodder", "gPodder/Downloads", true},
    {"GNOME Podcasts", ".local/share/gnome-podcasts/Downloads", true},
    {"GNOME Podcasts", ".var/app/org.gnome.Podcasts/data/gnome-podcasts/Downloads", true},
    {"Kasts", ".local/share/KDE/kasts/enclosures", false},
    {"Kasts", ".var/app/org.kde.kasts/data/KDE/kasts/enclosures", false},
}};
constexpr std::array<std::string_view, 2> kRhythmboxLibraries{
    ".local/share/rhythmbox/rhythmdb.xml",
    ".var/app/org.gnome.Rhythmbox3/data/rhythmbox/rhythmdb.xml",
};

struct Offer {
    std::string title;
    std::string detail;
    AdvisorCategory category;
    Rung rung;
    std::string_view rebuild;
    double confidence;
};

// What one offer covers: a folder, or the files of one show.
struct Items {
    std::string id;
    std::vector<std::string> paths;
    int64_t size = 0;
    int64_t unique = 0;
    int64_t files = 0;

    static Items of(const Node& folder) {
        std::string path = folder.path();
        return {path, {path}, folder.size, folder.unique, folder.fileCount};
    }
};

Candidate offline(Items items, Offer kind) {
    bool review = kind.rung == Rung::review;
    return Candidate({
        .id = "media-downloads:" + items.id,
        .detector = "media-downloads",
        .title = std::move(kind.title),
        .detail = std::move(kind.detail),
        .category = kind.category,
        .rung = kind.rung,
        .action = AdvisorAction::trash(std::move(items.paths)),
        .freed = items.unique,
        .onDisk = items.size,
        .evidence = {Evidence::capitalized(Evidence::Kind::rebuild, kind.rebuild),
                     Evidence::capitalized(Evidence::Kind::count,
                                           formatCounted(items.files, "file"))},
        .confidence = kind.confidence,
        .redownloadGB = static_cast<double>(items.size) / 1e9,
        // Old episodes may be gone from the feed: somewhat more than a cache to the user.
        .value = review ? 0.3 : 0.0,
    });
}

Offer podcast(std::string title, std::string_view app, const std::string& show) {
    std::string what = show.empty() ? "Episodes " : "Episodes of “" + show + "” ";
    return {std::move(title),
            what + "that " + std::string(app) +
                " downloaded to play offline. They download again from the podcast’s feed "
                "while it still offers them; keep any you want to hear again.",
            AdvisorCategory::music,
            Rung::review,
            "downloads again from the feed",
            0.7};
}

void addPodcastFolders(const AdvisorContext& context, int64_t minSize,
                       std::vector<Candidate>& found) {
    for (const PodcastFolder& folder : kPodcastFolders) {
        const Node* downloads = context.node(folder.location);
        if (!downloads)
            continue;
        if (!folder.perShow) {
            if (downloads->size >= minSize)
                found.push_back(
                    offline(Items::of(*downloads),
                            podcast("Podcast downloads (" + std::string(folder.app) + ")",
                                    folder.app, "")));
            continue;
        }
        for (const auto& show : downloads->children())
            if (show->isDirectory() && show->size >= minSize)
                found.push_back(
                    offline(Items::of(*show),
                            podcast("Podcast downloads: " + show->name, folder.app, show->name)));
    }
}

// Rhythmbox keeps episodes among the music, in a folder per show: its library names them,
// each downloaded episode with a local file location and the feed's address as its mount point.
std::map<std::string, std::vector<std::string>> rhythmboxEpisodes(std::string_view library) {
    std::map<std::string, std::vector<std::string>> shows;
    pugi::xml_document document;
    if (!document.load_buffer(library.data(), library.size()))
        return shows;
    constexpr std::string_view kFile = "file://";
    for (pugi::xml_node entry : document.child("rhythmdb").children("entry")) {
        std::string_view type = entry.attribute("type").value();
        std::string_view location = entry.child_value("location");
        if (type != "podcast-post" || !location.starts_with(kFile) ||
            std::string_view(entry.child_value("mountpoint")).empty())
            continue;
        shows[entry.child_value("album")].push_back(
            platform::percentDecoded(location.substr(kFile.size())));
    }
    return shows;
}

void addRhythmboxEpisodes(const AdvisorContext& context, int64_t minSize,
                          std::vector<Candidate>& found) {
    for (std::string_view library : kRhythmboxLibraries) {
        auto text = context.readFile(context.places(library).front());
        if (!text)
            continue;
        for (auto& [show, paths] : rhythmboxEpisodes(*text)) {
            Items items{"rhythmbox:" + show, {}, 0, 0, 0};
            for (std::string& path : paths)
                if (const Node* episode = context.root->descendant(path)) {
                    items.size += episode->size;
                    items.unique += episode->unique;
                    items.files += 1;
                    items.paths.push_back(std::move(path));
                }
            if (items.size >= minSize)
                found.push_back(offline(std::move(items),
                                        podcast("Podcast downloads: " + show, "Rhythmbox", show)));
        }
    }
}

} // namespace

std::vector<Candidate> MediaDownloadsDetector::candidates(const AdvisorContext& context) const {
    std::vector<Candidate> found;
    addPodcastFolders(context, minSize, found);
    addRhythmboxEpisodes(context, minSize, found);
    return found;
}

} // namespace tavelin
