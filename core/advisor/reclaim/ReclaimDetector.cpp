#include "advisor/reclaim/ReclaimDetector.h"

#include "advisor/everyday/Everyday.h"
#include "advisor/reclaim/Reclaim.h"
#include "util/Format.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>

namespace tavelin {
namespace {

using namespace std::chrono_literals;

template <typename Value, size_t N>
std::optional<Value> lookUp(const std::pair<std::string_view, Value> (&table)[N],
                            std::string_view id) {
    for (const auto& [key, value] : table)
        if (key == id)
            return value;
    return std::nullopt;
}

using C = AdvisorCategory;
constexpr std::pair<std::string_view, AdvisorCategory> kCategories[] = {
    {"trash", C::trash},
    {"app-caches", C::caches},
    {"user-logs", C::caches},
    {"dev-caches", C::caches},
    {"vscode-caches", C::caches},
    {"flatpak-caches", C::caches},
    {"thumbnails", C::caches},
    {"firefox-cache", C::caches},
    {"firefox-cache-snap", C::caches},
    {"firefox-cache-flatpak", C::caches},
    {"chrome-cache", C::caches},
    {"chrome-cache-flatpak", C::caches},
    {"chromium-cache", C::caches},
    {"chromium-cache-snap", C::caches},
    {"chromium-cache-flatpak", C::caches},
    {"brave-cache", C::caches},
    {"brave-cache-flatpak", C::caches},
    {"vivaldi-cache", C::caches},
    {"edge-cache", C::caches},
    {"opera-cache", C::caches},
    {"fontconfig-cache", C::caches},
    {"mesa-shader-cache", C::caches},
    {"nvidia-shader-cache", C::caches},
    {"shotwell-thumbnails", C::photosVideos},
    {"shotwell-thumbnails-flatpak", C::photosVideos},
    {"darktable-previews", C::photosVideos},
    {"darktable-previews-flatpak", C::photosVideos},
    {"digikam-thumbnails", C::photosVideos},
    {"spotify-cache", C::music},
    {"spotify-cache-flatpak", C::music},
    {"spotify-cache-snap", C::music},
    {"downloads-installers", C::downloads},
    {"ios-backups", C::backupsInstallers},
    {"firmware", C::backupsInstallers},
    {"messages-attachments", C::messagesMail},
    {"mail-downloads", C::messagesMail},
    {"garageband", C::music},
    {"logic", C::music},
    {"steam-games", C::apps},
    {"steam-games-linux", C::apps},
    {"steam-games-debian", C::apps},
    {"steam-games-flatpak", C::apps},
    {"virtual-machines", C::apps},
    {"utm-machines", C::apps},
    {"virtualbox-machines", C::apps},
    {"libvirt-machines", C::apps},
    {"boxes-machines", C::apps},
    {"ollama-models", C::apps},
    {"lmstudio-models", C::apps},
};

// How a rule's items come back: rebuilt in a time that grows with their size, downloaded
// again, or neither.
enum class Estimate {
    unity,          // max(10 × GB, 15) minutes
    build,          // max(2 × GB, 2) minutes
    cargo,          // max(0.5 × GB, 2) minutes
    symbols,        // 5 minutes
    downloaded,     // GB downloaded
    partlyDownload, // 0.3 × GB downloaded
};

constexpr std::pair<std::string_view, Estimate> kEstimates[] = {
    {"unity-library", Estimate::unity},
    {"derived-data", Estimate::build},
    {"swift-build", Estimate::build},
    {"next-build", Estimate::build},
    {"gradle-project", Estimate::build},
    {"go-build-cache", Estimate::build},
    {"jetbrains-caches", Estimate::build},
    {"shotwell-thumbnails", Estimate::build},
    {"shotwell-thumbnails-flatpak", Estimate::build},
    {"darktable-previews", Estimate::build},
    {"darktable-previews-flatpak", Estimate::build},
    {"digikam-thumbnails", Estimate::build},
    {"cargo-target", Estimate::cargo},
    {"device-support", Estimate::symbols},
    {"node-modules", Estimate::downloaded},
    {"pods", Estimate::downloaded},
    {"npm-cache", Estimate::downloaded},
    {"pnpm-store", Estimate::downloaded},
    {"bun-cache", Estimate::downloaded},
    {"go-modules", Estimate::downloaded},
    {"cargo-registry", Estimate::downloaded},
    {"gradle-caches", Estimate::downloaded},
    {"conda-pkgs", Estimate::downloaded},
    {"conda-pkgs-full", Estimate::downloaded},
    {"android-images", Estimate::downloaded},
    {"firmware", Estimate::downloaded},
    {"dev-caches", Estimate::downloaded},
    {"maven-repository", Estimate::downloaded},
    {"pnpm-store-linux", Estimate::downloaded},
    {"python-venv", Estimate::downloaded},
    {"python-venv-requirements", Estimate::downloaded},
    {"android-images-linux", Estimate::downloaded},
    {"unity-editors-linux", Estimate::downloaded},
    {"pip-cache", Estimate::downloaded},
    {"yarn-cache", Estimate::downloaded},
    {"spotify-cache", Estimate::downloaded},
    {"spotify-cache-flatpak", Estimate::downloaded},
    {"spotify-cache-snap", Estimate::downloaded},
    {"app-caches", Estimate::partlyDownload},
    {"flatpak-caches", Estimate::partlyDownload},
    {"firefox-cache", Estimate::partlyDownload},
    {"firefox-cache-snap", Estimate::partlyDownload},
    {"firefox-cache-flatpak", Estimate::partlyDownload},
    {"chrome-cache", Estimate::partlyDownload},
    {"chrome-cache-flatpak", Estimate::partlyDownload},
    {"chromium-cache", Estimate::partlyDownload},
    {"chromium-cache-snap", Estimate::partlyDownload},
    {"chromium-cache-flatpak", Estimate::partlyDownload},
    {"brave-cache", Estimate::partlyDownload},
    {"brave-cache-flatpak", Estimate::partlyDownload},
    {"vivaldi-cache", Estimate::partlyDownload},
    {"edge-cache", Estimate::partlyDownload},
    {"opera-cache", Estimate::partlyDownload},
};

// An `inEach` rule's items all share one name; the entry holding each tells them apart.
std::string itemName(const ReclaimRule& rule, const Node& node) {
    bool nested = std::holds_alternative<ReclaimRule::Match::InEach>(rule.match.value);
    return nested && node.parent() ? node.parent()->name : node.name;
}

// What the user weighs a review item by: when it was last used (unless that was this week,
// which a line already says), and how much it holds.
void addReviewLines(const Node& node, bool recent, const AdvisorContext& context,
                    std::vector<Evidence>& lines) {
    using Kind = Evidence::Kind;
    if (!recent) {
        Everyday::Touch touch = Everyday::lastTouched(node, context);
        bool opened = touch.opened && *touch.opened >= touch.date;
        lines.push_back(Evidence::capitalized(
            Kind::lastUsed, (opened ? "last used " : "last changed ") +
                                Everyday::agePhrase(context.daysSince(touch.date))));
    }
    if (node.isDirectory())
        lines.push_back(Evidence::capitalized(
            Kind::count, formatCount(node.fileCount) + (node.fileCount == 1 ? " file" : " files")));
}

std::vector<Evidence> evidenceFor(const ReclaimRule& rule, const Node& node, bool recent,
                                  ReclaimDetector::Rebuild cost, const AdvisorContext& context) {
    using Kind = Evidence::Kind;
    std::vector<Evidence> lines;
    if (recent)
        lines.push_back(Evidence::capitalized(Kind::lastUsed, "used this week"));
    if (rule.tier == ReclaimRule::Tier::rebuildable)
        lines.push_back(Evidence::capitalized(
            Kind::rebuild, cost.minutes > 0
                               ? "rebuilt in about " + ReclaimDetector::minutes(cost.minutes)
                           : cost.redownloadGB > 0 ? "downloaded again when needed"
                                                   : "rebuilt by its app"));
    else
        addReviewLines(node, recent, context, lines);
    if (auto sharing = Evidence::sharing(node.size, node.unique))
        lines.push_back(std::move(*sharing));
    return lines;
}

Candidate candidateFor(const ReclaimGroup& group, const ReclaimItem& item,
                       const AdvisorContext& context) {
    const ReclaimRule& rule = group.rule;
    const Node& node = *item.node;
    bool rebuildable = rule.tier == ReclaimRule::Tier::rebuildable;
    AdvisorCategory category = ReclaimDetector::category(rule.id);
    auto cost = ReclaimDetector::rebuild(rule.id, static_cast<double>(node.unique) / 1e9);
    // Something used this week is likely needed again soon: clearing it costs a rebuild now.
    bool recent = (item.project || category == AdvisorCategory::developer) &&
                  node.modified > context.now - 259'200s;
    if (recent)
        cost = {std::max(cost.minutes, 10.0) * 4, cost.redownloadGB * 2};
    std::string path = node.path();
    return Candidate({
        .id = "reclaim:" + rule.id + ":" + path,
        .detector = "reclaim:" + rule.id,
        .title = group.items.size() == 1 ? rule.title : rule.title + ": " + itemName(rule, node),
        .detail = rule.detail,
        .category = category,
        .rung = rebuildable ? Rung::rebuildable : Rung::review,
        .action = AdvisorAction::trash({path}),
        .freed = node.unique,
        .onDisk = node.size,
        .project = item.project,
        .evidence = evidenceFor(rule, node, recent, cost, context),
        .blocked = item.inUse,
        .confidence = rebuildable ? 1.0 : 0.7,
        .rebuildMinutes = cost.minutes,
        .redownloadGB = cost.redownloadGB,
        .value = rebuildable ? 0.0 : 0.5,
    });
}

// What the Trash folders of the tree hold: the entries of their `files/` folders with their
// info files. The Trash's own folders are no items: a used Trash that was emptied holds nothing,
// though its folders keep their blocks (and a folder that once held many entries keeps many).
struct TrashContents {
    int64_t items = 0;
    int64_t size = 0;
    int64_t unique = 0;
};

TrashContents contentsOf(const Node& trash, const AdvisorContext& context) {
    TrashContents contents;
    for (const auto& part : trash.children()) {
        bool files = part->name == "files";
        if (!files && part->name != "info")
            continue;
        if (files)
            contents.items += part->smallFileCount + static_cast<int64_t>(part->children().size());
        int64_t own = context.ownBytes(part->path());
        contents.size += std::max<int64_t>(part->size - own, 0);
        contents.unique += std::max<int64_t>(part->unique - own, 0);
    }
    return contents;
}

// One step for every Trash of the scanned disk that holds something; none when all are empty.
std::optional<Candidate> trashCandidate(const ReclaimGroup& group, const AdvisorContext& context) {
    const ReclaimRule& rule = group.rule;
    TrashContents total;
    std::vector<std::string> trashes;
    for (const ReclaimItem& item : group.items) {
        TrashContents contents = contentsOf(*item.node, context);
        if (contents.items == 0)
            continue;
        total.size += contents.size;
        total.unique += contents.unique;
        trashes.push_back(item.node->path());
    }
    if (trashes.empty())
        return std::nullopt;
    std::vector<Evidence> evidence{
        Evidence::capitalized(Evidence::Kind::note, "you already deleted these")};
    if (auto sharing = Evidence::sharing(total.size, total.unique))
        evidence.push_back(std::move(*sharing));
    std::string id = "reclaim:" + rule.id + ":" + trashes.front();
    return Candidate({
        .id = std::move(id),
        .detector = "reclaim:" + rule.id,
        .title = rule.title,
        // Emptying them would free nothing on the disk the plan is for.
        .detail = rule.detail + " The Trashes of other disks aren’t included.",
        .category = ReclaimDetector::category(rule.id),
        .rung = Rung::lossless,
        .action = AdvisorAction::emptyTrash(std::move(trashes)),
        .freed = total.unique,
        .onDisk = total.size,
        .evidence = std::move(evidence),
        .confidence = 1.0,
    });
}

} // namespace

std::vector<Candidate> ReclaimDetector::candidates(const AdvisorContext& context) const {
    std::vector<Candidate> found;
    for (const ReclaimGroup& group : Reclaim::find(*context.root, context.home, Reclaim::rules(),
                                                   context.fileExists, context.readFile)) {
        if (group.rule.deletesPermanently) {
            if (auto trash = trashCandidate(group, context))
                found.push_back(std::move(*trash));
            continue;
        }
        for (const ReclaimItem& item : group.items)
            found.push_back(candidateFor(group, item, context));
    }
    return found;
}

AdvisorCategory ReclaimDetector::category(std::string_view ruleID) {
    return lookUp(kCategories, ruleID).value_or(AdvisorCategory::developer);
}

ReclaimDetector::Rebuild ReclaimDetector::rebuild(std::string_view ruleID, double gb) {
    auto estimate = lookUp(kEstimates, ruleID);
    if (!estimate)
        return {};
    switch (*estimate) {
    case Estimate::unity:
        return {std::max(10 * gb, 15.0), 0};
    case Estimate::build:
        return {std::max(2 * gb, 2.0), 0};
    case Estimate::cargo:
        return {std::max(0.5 * gb, 2.0), 0};
    case Estimate::symbols:
        return {5, 0};
    case Estimate::downloaded:
        return {0, gb};
    case Estimate::partlyDownload:
        return {0, 0.3 * gb};
    }
    return {};
}

std::string ReclaimDetector::minutes(double m) {
    if (m < 60)
        return std::to_string(std::llround(m)) + " min";
    // Fixed notation without the locale: the text reads "1.5 h" whatever the user's settings.
    char buffer[32];
    auto end =
        std::to_chars(buffer, buffer + sizeof buffer, m / 60, std::chars_format::fixed, 1).ptr;
    return std::string(buffer, end) + " h";
}

} // namespace tavelin
