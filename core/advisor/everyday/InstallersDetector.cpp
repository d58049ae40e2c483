#include "advisor/everyday/InstallersDetector.h"

#include "advisor/everyday/InstalledIndex.h"
#include "util/LinuxWordings.h"
#include "util/Text.h"

namespace tavelin {
namespace {

constexpr int64_t kUnmatchedSizeThreshold = 20'000'000;
constexpr std::string_view kAlreadyInstalled =
    linuxWording(" is already on this Mac; the developer's website has the ");

constexpr std::pair<std::string_view, std::string_view> kKindWords[] = {
    {"pkg", "installer"},      {"mpkg", "installer"}, {"run", "installer"},
    {"zip", "archive"},        {"xip", "archive"},    {"dmg", "disk image"},
    {"deb", "package"},        {"rpm", "package"},    {"flatpak", "package"},
    {"flatpakref", "package"}, {"snap", "package"},   {"appimage", "app image"},
};

constexpr std::string_view kTarArchives[] = {".tar.gz", ".tgz", ".tar.xz"};

// "A package", "An archive": the article a kind word takes.
std::string withArticle(std::string_view word) {
    bool vowel = std::string_view("aeiou").find(word.front()) != std::string_view::npos;
    return (vowel ? "An " : "A ") + std::string(word);
}

Candidate matched(const Node& node, std::string_view kind, const std::string& app) {
    std::string path = node.path();
    std::string word(kind);
    return Candidate({
        .id = "installers:" + path,
        .detector = "installers",
        .title = node.name,
        .detail = "The " + word + " you installed " + app + " from. " + app +
                  std::string(kAlreadyInstalled) + word + " again if you ever need it.",
        .category = AdvisorCategory::downloads,
        .rung = Rung::rebuildable,
        .action = AdvisorAction::trash({path}),
        .freed = node.unique,
        .onDisk = node.size,
        .evidence = {Evidence::capitalized(Evidence::Kind::note, app + " is installed")},
        .confidence = 0.9,
        .redownloadGB = static_cast<double>(node.size) / 1e9,
    });
}

Candidate unmatched(const Node& node, std::string_view kind, int days, int minDays) {
    std::string path = node.path();
    double worth = Everyday::value(0.35, days, minDays, node.size, kUnmatchedSizeThreshold);
    return Candidate({
        .id = "installers:" + path,
        .detector = "installers",
        .title = node.name,
        .detail = withArticle(kind) + " in Downloads, " + Everyday::span(days) +
                  " old. If you already installed or unpacked it, it isn't needed any more.",
        .category = AdvisorCategory::downloads,
        .rung = Rung::review,
        .action = AdvisorAction::trash({path}),
        .freed = node.unique,
        .onDisk = node.size,
        .evidence = {Evidence::capitalized(Evidence::Kind::lastUsed,
                                           "downloaded " + Everyday::agePhrase(days))},
        .confidence = 0.7,
        .value = std::min(0.35, worth),
    });
}

} // namespace

std::optional<InstallersDetector::Kind> InstallersDetector::kind(std::string_view fileName) {
    std::string lower = lowercased(fileName);
    for (std::string_view suffix : kTarArchives)
        if (lower.size() > suffix.size() && lower.ends_with(suffix))
            return Kind{"archive", true};
    std::string extension = Everyday::extension(fileName);
    for (const auto& [known, word] : kKindWords)
        if (extension == known)
            return Kind{word};
    return std::nullopt;
}

std::vector<Candidate> InstallersDetector::candidates(const AdvisorContext& context) const {
    std::vector<Candidate> found;
    Node* downloads = Everyday::userFolder(context, context.userFolders.downloads);
    if (!downloads)
        return found;
    InstalledIndex index(context.installedBundleIDs());
    auto apps = context.installedApps();
    for (const auto& child : downloads->children()) {
        const Node& node = *child;
        auto installer = kind(node.name);
        if (!installer || node.size < minSize || Everyday::holdsInstalledApp(node.path(), apps))
            continue;
        if (auto app = index.match(node.name)) {
            found.push_back(matched(node, installer->word, *app));
            continue;
        }
        int days = context.daysSince(Everyday::newestModification(node));
        if (!installer->onlyWhenMatched && days >= minDaysUnmatched)
            found.push_back(unmatched(node, installer->word, days, minDaysUnmatched));
    }
    return found;
}

} // namespace tavelin
