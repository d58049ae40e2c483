#include "advisor/everyday/LargeFilesDetector.h"

#include "advisor/Projects.h"
#include "advisor/everyday/Everyday.h"
#include "advisor/everyday/OldDownloadsDetector.h"
#include "util/Paths.h"

namespace tavelin {
namespace {

// What one run looks up once: the Downloads folder and its old downloads, the cloud folders,
// the installed apps, project folders.
class Search {
public:
    Search(const LargeFilesDetector& settings, const AdvisorContext& context)
        : settings_(settings)
        , context_(context)
        , downloads_(Everyday::userFolder(context, context.userFolders.downloads))
        , installed_(context.installedBundleIDs())
        , apps_(context.installedApps()) {
        auto providers =
            context.cloudProviders ? context.cloudProviders() : std::vector<CloudProvider>{};
        for (const CloudProvider& provider : providers) {
            cloudRoots_.push_back(provider.root);
            cloudRoots_.push_back(standardizedPath(std::string(kDataVolume) + provider.root));
        }
    }

    std::vector<Candidate> run() {
        std::vector<Candidate> found;
        Node* home = Everyday::homeNode(context_);
        std::vector<const Node*> pending;
        if (home)
            pending.push_back(home);
        while (!pending.empty()) {
            const Node* folder = pending.back();
            pending.pop_back();
            for (const auto& child : folder->children()) {
                const Node& node = *child;
                // Nothing below a smaller folder can reach the size either.
                if (node.size < settings_.minSize)
                    continue;
                bool document = Everyday::contains(LargeFilesDetector::kDocumentPackages,
                                                   Everyday::extension(node.name));
                if (node.isDirectory() && !document) {
                    if (isEntered(node))
                        pending.push_back(&node);
                } else if (auto candidate = judge(node)) {
                    found.push_back(std::move(*candidate));
                }
            }
        }
        return found;
    }

private:
    bool isEntered(const Node& folder) const {
        std::string path = folder.path();
        auto relative = Everyday::homeRelative(path, context_);
        bool skipped =
            relative && Everyday::contains(LargeFilesDetector::kSkippedFolders, *relative);
        if (skipped || folder.name.starts_with('.') || folder.name == "Mobile Documents" ||
            folder.name == "CloudStorage" ||
            Everyday::contains(Everyday::kPackages, Everyday::extension(folder.name)) ||
            std::ranges::find(cloudRoots_, path) != cloudRoots_.end())
            return false;
        return std::ranges::none_of(folder.children(),
                                    [](const Node::Ptr& child) { return child->name == ".git"; });
    }

    // The item directly in the Downloads folder that holds the node, or nullptr outside it.
    const Node* topOfDownloads(const Node& node) const {
        for (const Node* item = &node; item && downloads_; item = item->parent())
            if (item->parent() == downloads_)
                return item;
        return nullptr;
    }

    // Items directly in Downloads are the two Downloads detectors'; deeper ones are left to
    // them when the old-downloads detector offers what holds them.
    bool leftToDownloads(const Node& node, const Node* top) const {
        return top == &node || (top && oldDownloads_.offers(*top, context_, installed_, apps_));
    }

    std::optional<Candidate> judge(const Node& node) {
        if (Everyday::hasScreenshotPrefix(node.name))
            return std::nullopt;
        const Node* top = topOfDownloads(node);
        if (leftToDownloads(node, top))
            return std::nullopt;
        int changed = context_.daysSince(Everyday::newestModification(node));
        if (changed < settings_.minDays)
            return std::nullopt;
        Everyday::Touch touch = Everyday::lastTouched(node, context_);
        int days = context_.daysSince(touch.date);
        std::string path = node.path();
        if (days < settings_.minDays || Everyday::holdsInstalledApp(path, apps_) ||
            Projects::owner(node, context_.home, context_.fileExists, context_.readFile, projects_))
            return std::nullopt;
        return Candidate({
            .id = "large-files:" + path,
            .detector = "large-files",
            .title = node.name,
            .detail = "A large file you haven't opened in " + Everyday::span(days) +
                      ". Moves to the Trash, so you can put it back until you empty it.",
            .category =
                LargeFilesDetector::category(Everyday::extension(node.name), top != nullptr),
            .rung = Rung::review,
            .action = AdvisorAction::trash({path}),
            .freed = node.unique,
            .onDisk = node.size,
            .evidence = evidence(node, touch, changed),
            .confidence = 0.7,
            .value = std::min(
                0.6, Everyday::value(0.6, days, settings_.minDays, node.size, settings_.minSize)),
        });
    }

    std::vector<Evidence> evidence(const Node& node, const Everyday::Touch& touch,
                                   int changed) const {
        using Kind = Evidence::Kind;
        std::vector<Evidence> lines;
        if (!touch.opened || *touch.opened < node.modified)
            lines.push_back(Evidence::capitalized(Kind::lastUsed,
                                                  "last changed " + Everyday::agePhrase(changed)));
        else
            lines.push_back(Evidence::capitalized(
                Kind::lastUsed,
                "not opened since " + Everyday::month(*touch.opened, context_.now)));
        auto folder = Everyday::homeRelative(parentPath(node.path()), context_);
        lines.push_back(Evidence::capitalized(Kind::location,
                                              folder ? "in " + *folder : "in your home folder"));
        if (auto sharing = Evidence::sharing(node.size, node.unique))
            lines.push_back(std::move(*sharing));
        return lines;
    }

    const LargeFilesDetector& settings_;
    const AdvisorContext& context_;
    const Node* downloads_;
    const OldDownloadsDetector oldDownloads_{}; // with its usual settings
    InstalledIndex installed_;
    std::vector<platform::InstalledApp> apps_;
    std::vector<std::string> cloudRoots_;
    Projects::Cache projects_;
};

} // namespace

std::vector<Candidate> LargeFilesDetector::candidates(const AdvisorContext& context) const {
    return Search(*this, context).run();
}

AdvisorCategory LargeFilesDetector::category(std::string_view extension, bool inDownloads) {
    if (Everyday::contains(Everyday::kVideoExtensions, extension))
        return AdvisorCategory::photosVideos;
    if (Everyday::contains(Everyday::kDiskImageExtensions, extension))
        return AdvisorCategory::backupsInstallers;
    if (Everyday::contains(Everyday::kArchiveExtensions, extension))
        return inDownloads ? AdvisorCategory::downloads : AdvisorCategory::documents;
    if (Everyday::contains(Everyday::kAudioExtensions, extension))
        return AdvisorCategory::music;
    return AdvisorCategory::documents;
}

} // namespace tavelin
