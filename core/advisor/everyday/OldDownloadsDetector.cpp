#include "advisor/everyday/OldDownloadsDetector.h"

#include "advisor/Projects.h"
#include "advisor/everyday/Everyday.h"
#include "advisor/everyday/InstallersDetector.h"
#include "util/Format.h"

namespace tavelin {
namespace {

std::vector<Evidence> evidenceFor(const Node& node, const Everyday::Touch& touch,
                                  const AdvisorContext& context) {
    using Kind = Evidence::Kind;
    std::vector<Evidence> lines;
    if (!touch.opened || *touch.opened < node.modified) {
        int age = context.daysSince(Everyday::newestModification(node));
        lines.push_back(
            Evidence::capitalized(Kind::lastUsed, "downloaded " + Everyday::agePhrase(age)));
    } else {
        lines.push_back(Evidence::capitalized(
            Kind::lastUsed, "not opened since " + Everyday::month(*touch.opened, context.now)));
    }
    if (node.isDirectory() && node.fileCount > 1)
        lines.push_back(
            Evidence::capitalized(Kind::count, formatCount(node.fileCount) + " files inside"));
    if (auto sharing = Evidence::sharing(node.size, node.unique))
        lines.push_back(std::move(*sharing));
    return lines;
}

} // namespace

bool OldDownloadsDetector::offers(const Node& node, const AdvisorContext& context,
                                  const InstalledIndex& installed,
                                  const std::vector<platform::InstalledApp>& apps) const {
    if (node.size < minSize || Everyday::hasScreenshotPrefix(node.name))
        return false;
    auto installer = InstallersDetector::kind(node.name);
    if (installer && (!installer->onlyWhenMatched || installed.match(node.name)))
        return false;
    if (context.daysSince(Everyday::newestModification(node)) < minDays ||
        Everyday::holdsInstalledApp(node.path(), apps))
        return false;
    return context.daysSince(Everyday::lastTouched(node, context).date) >= minDays;
}

std::vector<Candidate> OldDownloadsDetector::candidates(const AdvisorContext& context) const {
    std::vector<Candidate> found;
    Node* downloads = Everyday::userFolder(context, context.userFolders.downloads);
    if (!downloads)
        return found;
    InstalledIndex installed(context.installedBundleIDs());
    auto apps = context.installedApps();
    Projects::Cache projects;
    for (const auto& child : downloads->children()) {
        const Node& node = *child;
        if (!offers(node, context, installed, apps))
            continue;
        Everyday::Touch touch = Everyday::lastTouched(node, context);
        int days = context.daysSince(touch.date);
        std::string path = node.path();
        found.push_back(Candidate({
            .id = "downloads-old:" + path,
            .detector = "downloads-old",
            .title = node.name,
            .detail = "In your Downloads folder and untouched for " + Everyday::span(days) +
                      ". Moves to the Trash, so you can put it back until you empty it.",
            .category = AdvisorCategory::downloads,
            .rung = Rung::review,
            .action = AdvisorAction::trash({path}),
            .freed = node.unique,
            .onDisk = node.size,
            .project =
                Projects::owner(node, context.home, context.fileExists, context.readFile, projects),
            .evidence = evidenceFor(node, touch, context),
            .confidence = 0.8,
            .value = Everyday::value(0.6, days, minDays, node.size, minSize),
        }));
    }
    return found;
}

} // namespace tavelin
