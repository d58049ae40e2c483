#include "advisor/everyday/UnusedAppsDetector.h"

#include "advisor/everyday/Everyday.h"
#include "util/LinuxWordings.h"
#include "util/Paths.h"

#include <unordered_set>

namespace tavelin {
namespace {

using platform::InstalledApp;

constexpr std::string_view kNeverOpened =
    linuxWording(" has never been opened on this Mac as far as Spotlight knows.");
constexpr std::string_view kDownloadAgain =
    linuxWording("free to download again from the App Store");

// How the app goes: its own uninstaller when it has one, else the Trash, with the user's
// desktop entry for it, which would otherwise be left pointing at nothing.
AdvisorAction removal(const InstalledApp& app) {
    if (!app.uninstall.empty()) {
        std::vector<std::string> arguments(app.uninstall.begin() + 1, app.uninstall.end());
        std::string display = lastPathComponent(app.uninstall.front());
        for (const std::string& argument : arguments)
            display += " " + argument;
        return AdvisorAction::runTool({app.uninstall.front(), std::move(arguments), display});
    }
    std::vector<std::string> paths{app.path};
    if (!app.desktopEntry.empty())
        paths.push_back(app.desktopEntry);
    return AdvisorAction::trash(std::move(paths));
}

std::string detail(const InstalledApp& app, std::optional<int> daysUnused) {
    std::string how = app.uninstall.empty()
                          ? " Moves to the Trash; its settings and documents stay."
                          : " Flatpak uninstalls it; its settings and documents stay.";
    if (!daysUnused)
        return app.name + std::string(kNeverOpened) + how;
    return "You haven't opened " + app.name + " in " + Everyday::span(*daysUnused) + "." + how;
}

std::vector<Evidence> evidence(const InstalledApp& app, std::optional<Date> opened, Date now) {
    using Kind = Evidence::Kind;
    std::vector<Evidence> lines{Evidence::capitalized(
        Kind::lastUsed, opened ? "last opened " + Everyday::month(*opened, now) : "never opened")};
    if (!app.uninstall.empty())
        lines.push_back(Evidence::capitalized(
            Kind::rebuild, std::string(kDownloadAgain) +
                               (app.origin.empty() ? "its Flatpak remote" : app.origin)));
    return lines;
}

} // namespace

std::vector<Candidate> UnusedAppsDetector::candidates(const AdvisorContext& context) const {
    std::vector<Candidate> found;
    std::unordered_set<std::string> considered;
    for (const InstalledApp& app : context.installedApps()) {
        const Node* node = context.node(app.path);
        if (!node || node->size < minSize || !considered.insert(app.path).second)
            continue;
        std::optional<Date> opened;
        if (!app.executable.empty())
            opened = context.lastUsed(app.executable);
        int days = context.daysSince(opened.value_or(node->modified));
        if (days < minDays)
            continue;
        // Flatpak apps come back from their remote for nothing, as store apps do.
        double base = app.uninstall.empty() ? 0.35 : 0.2;
        found.push_back(Candidate({
            .id = "apps-unused:" + app.path,
            .detector = "apps-unused",
            .title = app.name,
            .detail = detail(app, opened ? std::optional(days) : std::nullopt),
            .category = AdvisorCategory::apps,
            .rung = Rung::review,
            .action = removal(app),
            .freed = node->unique,
            .onDisk = node->size,
            .evidence = evidence(app, opened, context.now),
            .confidence = opened ? 0.8 : 0.6,
            .value = Everyday::value(base, days, minDays, node->size, minSize),
        }));
    }
    return found;
}

} // namespace tavelin
