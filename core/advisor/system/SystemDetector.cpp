#include "advisor/system/SystemDetector.h"

#include "advisor/everyday/Everyday.h"
#include "advisor/system/FlatpakRuntimes.h"
#include "util/Format.h"
#include "util/Paths.h"
#include "util/Text.h"

#include <algorithm>
#include <cstring>
#include <set>

namespace tavelin {
namespace {

using Kind = Evidence::Kind;

// One step of the system rows, before it becomes a candidate.
struct Row {
    std::string kind;    // the kind of space, for the id and "Hide Suggestions Like This"
    std::string finding; // this one among its kind
    std::string title;
    std::string detail;
    AdvisorAction action;
    int64_t freed = 0;
    int64_t onDisk = 0;
    std::vector<Evidence> evidence;
    double confidence = 1;
    Rung rung = Rung::ownerTool;
};

Candidate candidateFor(Row row) {
    return Candidate({
        .id = "system:" + row.kind + ":" + row.finding,
        .detector = "system:" + row.kind,
        .title = std::move(row.title),
        .detail = std::move(row.detail),
        .category = AdvisorCategory::system,
        .rung = row.rung,
        .action = std::move(row.action),
        .freed = row.freed,
        .onDisk = row.onDisk,
        .evidence = std::move(row.evidence),
        .confidence = row.confidence,
        .value = row.rung == Rung::review ? 0.3 : 0.0,
    });
}

struct Sizes {
    int64_t size = 0;
    int64_t unique = 0;
    int64_t files = 0;
    Date newest = kDistantPast;

    void add(const Node& node) {
        size += node.size;
        unique += node.unique;
        files += std::max<int64_t>(node.fileCount, 1);
        newest = std::max(newest, node.modified);
    }
};

std::string command(std::string first, const std::vector<std::string>& arguments) {
    for (const std::string& argument : arguments)
        first += " " + shellWord(argument);
    return first;
}

// The command run as administrator: pkexec asks for the password first. Without pkexec on
// the search path the step names it anyway, and applying it says that pkexec is missing.
ToolCommand asAdministrator(const AdvisorContext& context, std::vector<std::string> arguments) {
    std::string display = command("pkexec", arguments);
    return {context.findProgram("pkexec").value_or("pkexec"), std::move(arguments),
            std::move(display)};
}

Evidence line(Kind kind, std::string_view text) {
    return Evidence::capitalized(kind, text);
}

std::string filesLine(int64_t files) {
    return formatCount(files) + (files == 1 ? " file" : " files");
}

// What `names` hold, as a short list: "a and b", "a, b and c", "a, b and 3 more".
std::string shortList(const std::vector<std::string>& names) {
    if (names.size() <= 3)
        return listText(names);
    return names[0] + ", " + names[1] + " and " +
           formatCount(static_cast<int64_t>(names.size() - 2)) + " more";
}

std::optional<Row> packageCache(const AdvisorContext& context, std::string_view manager,
                                std::vector<std::string> arguments, const Sizes& sizes,
                                double confidence, std::string detail) {
    if (sizes.unique < SystemDetector::kLeastFreed || !context.findProgram(arguments.front()))
        return std::nullopt;
    return Row{
        .kind = "package-cache",
        .finding = std::string(manager),
        .title = "Package Cache",
        .detail = std::move(detail),
        .action = AdvisorAction::runTool(asAdministrator(context, std::move(arguments))),
        .freed = sizes.unique,
        .onDisk = sizes.size,
        .evidence = {line(Kind::rebuild, "downloaded again when a package is installed"),
                     line(Kind::count, filesLine(sizes.files))},
        .confidence = confidence,
    };
}

std::optional<Row> aptCache(const AdvisorContext& context) {
    Sizes sizes;
    for (std::string_view place : {"/var/cache/apt/archives", "/var/cache/apt/pkgcache.bin",
                                   "/var/cache/apt/srcpkgcache.bin"})
        if (Node* node = context.node(place))
            sizes.add(*node);
    return packageCache(context, "apt", {"apt-get", "clean"}, sizes, 1.0,
                        "Packages apt downloaded to install and update software, and the cache "
                        "of its package lists. Installed software keeps working.");
}

std::optional<Row> dnfCache(const AdvisorContext& context) {
    Sizes sizes;
    for (std::string_view place : {"/var/cache/dnf", "/var/cache/libdnf5"})
        if (Node* cache = context.node(place))
            for (const auto& repository : cache->children())
                if (Node* packages = repository->descendant(repository->path() + "/packages"))
                    sizes.add(*packages);
    return packageCache(context, "dnf", {"dnf", "clean", "packages"}, sizes, 0.9,
                        "Packages dnf downloaded and kept after installing them. Installed "
                        "software keeps working.");
}

// pacman -Sc keeps the packages of the versions installed ("name-version-release", as the
// local database's folders are named) and removes the rest.
std::optional<Row> pacmanCache(const AdvisorContext& context) {
    Node* cache = context.node("/var/cache/pacman/pkg");
    Node* local = context.node("/var/lib/pacman/local");
    if (!cache || !local)
        return std::nullopt;
    std::set<std::string> installed;
    for (const auto& package : local->children())
        installed.insert(package->name);
    Sizes sizes;
    for (const auto& file : cache->children()) {
        size_t suffix = file->name.find(".pkg.tar");
        size_t arch = file->name.rfind('-', suffix);
        if (file->kind() == Node::Kind::file && suffix != std::string::npos &&
            arch != std::string::npos && !installed.contains(file->name.substr(0, arch)))
            sizes.add(*file);
    }
    return packageCache(context, "pacman", {"pacman", "-Sc", "--noconfirm"}, sizes, 0.9,
                        "Packages pacman downloaded for versions no longer installed. The "
                        "packages of what is installed stay.");
}

// journalctl removes archived files, oldest first, until the journal is within the kept size;
// the files in use stay.
std::optional<Row> journal(const AdvisorContext& context) {
    Node* folder = context.node("/var/log/journal");
    if (!folder || !context.findProgram("journalctl"))
        return std::nullopt;
    std::vector<const Node*> archived;
    for (const auto& machine : folder->children())
        for (const auto& file : machine->children())
            if (file->kind() == Node::Kind::file && file->name.find('@') != std::string::npos &&
                (file->name.ends_with(".journal") || file->name.ends_with(".journal~")))
                archived.push_back(file.get());
    std::ranges::stable_sort(archived, {}, &Node::modified);
    Sizes removed;
    int64_t usage = folder->size;
    Date oldest = archived.empty() ? kDistantPast : archived.front()->modified;
    for (const Node* file : archived) {
        if (usage <= SystemDetector::kJournalKept)
            break;
        usage -= file->size;
        removed.add(*file);
    }
    if (removed.unique < SystemDetector::kLeastFreed)
        return std::nullopt;
    return Row{
        .kind = "journal",
        .finding = folder->path(),
        .title = "System Logs",
        .detail = "Older files of the systemd journal, the log of the whole system. journalctl "
                  "removes the oldest until 100 MB are left.",
        .action =
            AdvisorAction::runTool(asAdministrator(context, {"journalctl", "--vacuum-size=100M"})),
        .freed = removed.unique,
        .onDisk = removed.size,
        .evidence = {line(Kind::note, "older logs are gone"),
                     line(Kind::count, filesLine(removed.files) + ", the oldest from " +
                                           Everyday::month(oldest, context.now))},
        .confidence = 0.9,
    };
}

struct FlatpakInstallation {
    std::string_view location;
    bool system;
};
constexpr FlatpakInstallation kFlatpakInstallations[] = {
    {"/var/lib/flatpak", true},
    {".local/share/flatpak", false},
};

std::optional<Row> flatpakRuntimes(const AdvisorContext& context,
                                   const FlatpakInstallation& installation) {
    Node* folder = context.node(installation.location);
    auto flatpak = context.findProgram("flatpak");
    if (!folder || !flatpak)
        return std::nullopt;
    auto unused = FlatpakRuntimes::unused(*folder, context.readFile);
    if (!unused)
        return std::nullopt;
    Sizes sizes;
    std::vector<std::string> names;
    for (const FlatpakRuntimes::Runtime& runtime : *unused) {
        sizes.add(*runtime.node);
        names.push_back(runtime.ref);
    }
    if (sizes.unique < SystemDetector::kLeastFreed)
        return std::nullopt;
    // A user's own installation is theirs to change: no password, and not as root, whose own
    // installation it is not.
    std::vector<std::string> arguments{"uninstall", installation.system ? "--system" : "--user",
                                       "--unused", "-y"};
    ToolCommand tool{*flatpak, arguments, command("flatpak", arguments)};
    if (installation.system) {
        arguments.insert(arguments.begin(), "flatpak");
        tool = asAdministrator(context, std::move(arguments));
    }
    return Row{
        .kind = "flatpak-runtimes",
        .finding = folder->path(),
        .title = installation.system ? "Unused Flatpak Runtimes" : "Your Unused Flatpak Runtimes",
        .detail = "Runtimes no installed app uses any more, often left behind by apps you "
                  "removed or updated. Flatpak installs one again if an app needs it.",
        .action = AdvisorAction::runTool(std::move(tool)),
        .freed = sizes.unique,
        .onDisk = sizes.size,
        .evidence = {line(Kind::rebuild, "downloaded again if an app needs one"),
                     line(Kind::note, shortList(names))},
        .confidence = 0.8,
    };
}

bool isSnapWord(std::string_view text) {
    return !text.empty() && std::ranges::all_of(text, [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
    });
}

// snapd keeps the revisions it replaced ("NAME_REVISION.snap") to go back to; the one in use
// is where /snap/NAME/current points.
std::vector<Row> snapRevisions(const AdvisorContext& context) {
    std::vector<Row> rows;
    Node* snaps = context.node("/var/lib/snapd/snaps");
    if (!snaps || !context.findProgram("snap"))
        return rows;
    for (const auto& file : snaps->children()) {
        std::string_view stem = file->name;
        if (file->kind() != Node::Kind::file || !stem.ends_with(".snap"))
            continue;
        stem.remove_suffix(5);
        size_t underscore = stem.rfind('_');
        if (underscore == std::string_view::npos)
            continue;
        std::string name(stem.substr(0, underscore));
        std::string revision(stem.substr(underscore + 1));
        auto current = context.linkTarget("/snap/" + name + "/current");
        if (!isSnapWord(name) || !isSnapWord(revision) || !current || *current == revision ||
            file->unique < SystemDetector::kLeastFreed)
            continue;
        rows.push_back({
            .kind = "snap-revisions",
            .finding = file->path(),
            .title = "Old Snap Revision: " + name + " " + revision,
            .detail = "A revision of the " + name +
                      " snap that snapd keeps to go back to after an update. " + name +
                      " runs revision " + *current + ", which stays.",
            .action = AdvisorAction::runTool(
                asAdministrator(context, {"snap", "remove", "--revision=" + revision, name})),
            .freed = file->unique,
            .onDisk = file->size,
            .evidence = {line(Kind::rebuild, "downloaded again if you go back to it"),
                         line(Kind::inUse, "revision " + *current + " in use")},
            .confidence = 0.9,
        });
    }
    return rows;
}

struct CrashFolder {
    std::string_view location;
    std::string_view kind;
    std::string_view title;
    std::string_view detail;
    std::string_view suffix; // of the files that are dumps; empty for all
};
constexpr CrashFolder kCrashFolders[] = {
    {"/var/crash", "crash-reports", "Crash Reports",
     "Reports saved when programs crashed, kept to send to their developers. No program needs "
     "them to run.",
     ".crash"},
    {"/var/lib/systemd/coredump", "core-dumps", "Core Dumps",
     "Memory images systemd saved when programs crashed, for debugging them. No program needs "
     "them to run.",
     ""},
};

// Crash dumps are often under the large-file threshold: the folder is listed, and the
// command names exactly the files listed, never what arrives later.
std::optional<Row> crashDumps(const AdvisorContext& context, const CrashFolder& crash) {
    Node* folder = context.node(crash.location);
    if (!folder)
        return std::nullopt;
    std::string path = folder->path();
    std::vector<FolderEntry> entries;
    if (auto listed = context.listFolder(path))
        entries = std::move(*listed);
    else
        for (const auto& child : folder->children())
            if (child->kind() == Node::Kind::file)
                entries.push_back(
                    {child->name, false, child->size, child->unique, child->modified});
    std::vector<std::string> arguments{"rm", "-f", "--"};
    Sizes sizes;
    for (const FolderEntry& entry : entries) {
        if (entry.isFolder || !entry.name.ends_with(crash.suffix))
            continue;
        arguments.push_back(joinPath(path, entry.name));
        sizes.size += entry.size;
        sizes.unique += entry.unique;
        sizes.files += 1;
        sizes.newest = std::max(sizes.newest, entry.modified);
    }
    if (sizes.unique < SystemDetector::kLeastFreed)
        return std::nullopt;
    return Row{
        .kind = std::string(crash.kind),
        .finding = path,
        .title = std::string(crash.title),
        .detail = std::string(crash.detail),
        .action = AdvisorAction::runTool(asAdministrator(context, std::move(arguments))),
        .freed = sizes.unique,
        .onDisk = sizes.size,
        .evidence = {line(Kind::note, "only needed to look into those crashes"),
                     line(Kind::count, filesLine(sizes.files) + ", the newest from " +
                                           Everyday::month(sizes.newest, context.now))},
        .confidence = 0.9,
    };
}

// Kernels other than the running one and the newest other (the fallback), by their modules'
// folders; their files in /boot count too. Only a guide: the package manager removes kernels.
std::optional<Row> oldKernels(const AdvisorContext& context) {
    Node* modules = context.node("/usr/lib/modules");
    if (!modules)
        modules = context.node("/lib/modules");
    const std::string& running = context.kernelRelease;
    if (!modules || running.empty())
        return std::nullopt;
    std::vector<const Node*> kernels;
    for (const auto& child : modules->children())
        if (child->isDirectory())
            kernels.push_back(child.get());
    if (std::ranges::none_of(kernels, [&](const Node* kernel) { return kernel->name == running; }))
        return std::nullopt;
    std::ranges::sort(kernels, [](const Node* a, const Node* b) {
        return ::strverscmp(a->name.c_str(), b->name.c_str()) > 0;
    });
    auto fallback =
        std::ranges::find_if(kernels, [&](const Node* kernel) { return kernel->name != running; });
    Sizes sizes;
    std::vector<std::string> names;
    Node* boot = context.node("/boot");
    for (const Node* kernel : kernels) {
        if (kernel->name == running || (fallback != kernels.end() && kernel == *fallback))
            continue;
        names.push_back(kernel->name);
        sizes.add(*kernel);
        for (const auto& file : boot ? boot->children() : std::vector<Node::Ptr>{})
            if (file->kind() == Node::Kind::file && file->name.ends_with("-" + kernel->name))
                sizes.add(*file);
    }
    if (sizes.unique < SystemDetector::kLeastFreed)
        return std::nullopt;
    return Row{
        .kind = "old-kernels",
        .finding = modules->path(),
        .title = "Old Kernels",
        .detail = "Kernels from earlier updates (" + listText(names) +
                  "), kept to start the computer with if a newer one fails.",
        .action = AdvisorAction::guide(
            "", "Remove kernels you no longer start with your package manager, keeping the one "
                "running now and the newest other one. Removing the wrong one can leave a "
                "computer that does not start."),
        .freed = sizes.unique,
        .onDisk = sizes.size,
        .evidence = {line(Kind::count, formatCount(static_cast<int64_t>(names.size())) +
                                           (names.size() == 1 ? " kernel" : " kernels")),
                     line(Kind::inUse, "running " + running)},
        .confidence = 0.6,
        .rung = Rung::review,
    };
}

} // namespace

std::vector<Candidate> SystemDetector::candidates(const AdvisorContext& context) const {
    std::vector<std::optional<Row>> rows{aptCache(context), dnfCache(context), pacmanCache(context),
                                         journal(context)};
    for (const FlatpakInstallation& installation : kFlatpakInstallations)
        rows.push_back(flatpakRuntimes(context, installation));
    for (Row& row : snapRevisions(context))
        rows.emplace_back(std::move(row));
    for (const CrashFolder& crash : kCrashFolders)
        rows.push_back(crashDumps(context, crash));
    rows.push_back(oldKernels(context));
    std::vector<Candidate> found;
    for (auto& row : rows)
        if (row)
            found.push_back(candidateFor(std::move(*row)));
    return found;
}

} // namespace tavelin
