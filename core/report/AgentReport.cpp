#include "report/AgentReport.h"

#include "report/ReportText.h"
#include "scan/UnreadableFolders.h"
#include "util/Format.h"
#include "util/LinuxWordings.h"

#include <algorithm>

namespace tavelin {
namespace {

using ReportText::table;

constexpr int64_t kFolderMinimum = 500'000'000;
constexpr int64_t kFileMinimum = 100'000'000;

template <typename T>
std::vector<T> first(const std::vector<T>& list, size_t limit) {
    return std::vector<T>(list.begin(),
                          list.begin() + static_cast<std::ptrdiff_t>(std::min(limit, list.size())));
}

std::string section(const std::string& heading, const std::string& body) {
    return "\n## " + heading + "\n" + body;
}

std::string rungText(Rung rung) {
    switch (rung) {
    case Rung::lossless:
        return "no loss";
    case Rung::ownerTool:
        return "tool clean-up";
    case Rung::rebuildable:
        return "rebuilt by its app";
    case Rung::archive:
        return "move elsewhere";
    case Rung::review:
        break;
    }
    return "your call";
}

// Who measured the scan, and when; for a scan file, also that its files are elsewhere.
std::string measuredBy(const AgentReport::Input& input) {
    if (!input.source)
        return "Measured by Tavelin on " + ReportText::abbreviatedDayAndTime(input.now) + ". ";
    const ScanSource& source = *input.source;
    // Both names come from the file: they go in code spans, as names from the disk do.
    return "Measured by " + ReportText::code(source.writer) +
           (source.written ? " on " + ReportText::abbreviatedDayAndTime(*source.written) : "") +
           " and read by Tavelin from the scan file " + ReportText::code(source.fileName) + " on " +
           ReportText::abbreviatedDayAndTime(input.now) +
           "; the files it lists were not looked at here, and Tavelin changes none of them. ";
}

std::string summary(const AgentReport::Input& input) {
    const Node& scope = *input.scope;
    std::string text =
        "# Tavelin report: " + ReportText::code(ReportText::shortPath(scope.path(), input.home)) +
        "\n" + measuredBy(input) +
        std::string(
            linuxWording("Sizes are space on disk; “frees” is what deleting would give back "
                         "(APFS clones share data, so it can be less). Names, sizes and dates "
                         "only; nothing was read from inside files."));
    if (input.diskName && input.diskTotal && input.diskFree)
        text += "\n- Disk: " + ReportText::code(*input.diskName) + ", " +
                formatBytes(*input.diskTotal) + " total, " + formatBytes(*input.diskFree) +
                " free (" + ReportText::percent(*input.diskFree, *input.diskTotal) + " free)";
    text += "\n- This folder: " + formatBytes(scope.size) + " on disk, frees " +
            formatBytes(scope.unique) + " if deleted, " + formatCounted(scope.fileCount, "file");
    text += "\n- Apparent size: " + formatBytes(scope.apparent) +
            " (the files’ lengths, as file managers show them)";
    auto unreadable = static_cast<int64_t>(unreadableFolders(scope).size());
    if (unreadable > 0)
        text += "\n- Couldn’t be read: " + formatCounted(unreadable, "folder") +
                ", whose contents are missing from these sizes";
    if (input.excluded > 0) {
        std::string entries;
        for (const std::string& entry : input.exclusions)
            entries += (entries.empty() ? "" : ", ") + ReportText::code(entry);
        text += "\n- Excluded in Tavelin’s settings: " + entries + " (" +
                formatCounted(input.excluded, "item") + " left out of every size and list here)";
    }
    return text;
}

std::string inside(const AgentReport::Input& input, size_t limit) {
    std::vector<const Node*> folders;
    for (const Node::Ptr& child : input.scope->children())
        if (child->isDirectory())
            folders.push_back(child.get());
    std::stable_sort(folders.begin(), folders.end(),
                     [](const Node* a, const Node* b) { return a->size > b->size; });
    folders.resize(std::min(limit, folders.size()));
    if (folders.empty())
        return {};
    std::vector<std::vector<std::string>> rows;
    for (const Node* folder : folders)
        rows.push_back({ReportText::code(folder->name), formatBytes(folder->size),
                        formatBytes(folder->unique), formatCount(folder->fileCount),
                        ReportText::day(folder->modified)});
    return section("Inside " + ReportText::code(input.scope->name),
                   table({"Folder", "On disk", "Frees", "Files", "Changed"}, rows));
}

std::string biggestFolders(const AgentReport::Input& input, size_t limit) {
    std::vector<std::vector<std::string>> rows;
    for (const Node* folder :
         ReportText::biggest(*input.root, Node::Kind::directory, limit, kFolderMinimum))
        rows.push_back({ReportText::code(ReportText::shortPath(folder->path(), input.home)),
                        formatBytes(folder->size), formatBytes(folder->unique),
                        formatCount(folder->fileCount), ReportText::day(folder->modified)});
    return section("Biggest folders (anywhere below)",
                   table({"Path", "On disk", "Frees", "Files", "Changed"}, rows));
}

std::string biggestFiles(const AgentReport::Input& input, size_t limit) {
    std::vector<std::vector<std::string>> rows;
    for (const Node* file : ReportText::biggest(*input.root, Node::Kind::file, limit, kFileMinimum))
        rows.push_back({ReportText::code(ReportText::shortPath(file->path(), input.home)),
                        formatBytes(file->size), ReportText::day(file->modified)});
    return section("Biggest files", table({"Path", "Size", "Changed"}, rows));
}

std::string kinds(const AgentReport::Input& input, size_t limit) {
    if (input.kinds.empty())
        return {};
    std::vector<std::vector<std::string>> rows;
    for (const AgentReport::Kind& kind : first(input.kinds, limit))
        rows.push_back({kind.name, formatBytes(kind.bytes), formatCount(kind.files)});
    return section("Space by kind of file (whole scan)", table({"Kind", "Size", "Files"}, rows));
}

std::string changes(const AgentReport::Input& input, size_t limit) {
    if (input.changes.empty())
        return {};
    std::vector<std::vector<std::string>> rows;
    for (const Change& change : first(input.changes, limit)) {
        int64_t delta = change.delta();
        // The magnitude of the most negative delta does not fit; it is a saturated figure anyway.
        int64_t magnitude = delta < 0 ? -(delta + (delta == INT64_MIN)) : delta;
        rows.push_back({change.path.empty() ? "(everything)" : ReportText::code(change.path),
                        (delta < 0 ? "−" : "+") + formatBytes(magnitude),
                        change.after ? formatBytes(*change.after) : "gone"});
    }
    std::string heading = "What changed";
    if (input.changesSince)
        heading += " since " + ReportText::abbreviatedDay(*input.changesSince);
    return section(heading, table({"Path", "Change", "Now"}, rows));
}

// Where a suggestion acts: every copy of a set of duplicates, the one that stays first; the
// command a tool step runs; else its first item.
std::string where(const Candidate& candidate, std::string_view home) {
    auto named = [&](const std::string& path) {
        return ReportText::code(ReportText::shortPath(path, home));
    };
    std::string kept;
    std::string others;
    for (const DuplicateCopy& copy : candidate.copies)
        (copy.kept ? kept : others) +=
            (copy.kept || others.empty() ? "" : ", ") + named(copy.identity.path);
    if (!kept.empty())
        return " (keeps " + kept + "; copies " + others + ")";
    if (const auto* tool = std::get_if<AdvisorAction::RunTool>(&candidate.action.value))
        return " (runs " + ReportText::code(tool->command.display) + ")";
    std::vector<std::string> paths = candidate.paths();
    return paths.empty() ? std::string() : " (" + named(paths.front()) + ")";
}

std::string suggestions(const AgentReport::Input& input, size_t limit) {
    if (input.suggestions.empty())
        return {};
    std::vector<std::vector<std::string>> rows;
    for (const Candidate& candidate : first(input.suggestions, limit)) {
        std::string title = ReportText::plain(candidate.title) + where(candidate, input.home);
        std::string why;
        for (const Evidence& evidence : first(candidate.evidence, 2))
            why += (why.empty() ? "" : "; ") + ReportText::plain(evidence.text);
        rows.push_back({title, formatBytes(candidate.freed), rungText(candidate.rung), why});
    }
    return section("Already suggested by Tavelin (no need to repeat these)",
                   table({"Suggestion", "Frees", "Kind", "Why"}, rows));
}

// Where a whole disk's space goes besides the files: other volumes, reserved blocks, the file
// systems' structures and local snapshots. Nothing when no breakdown was loaded.
std::string wholeDisk(const AgentReport::Input& input) {
    if (!input.breakdown)
        return {};
    const DiskBreakdown& disk = *input.breakdown;
    std::vector<std::vector<std::string>> rows;
    for (const DiskBreakdown::Volume& volume : disk.otherVolumes(input.device)) {
        std::string roles;
        for (const std::string& role : volume.roles)
            roles += (roles.empty() ? " (" : ", ") + role;
        rows.push_back(
            {ReportText::code(volume.name) + ReportText::plain(roles.empty() ? "" : roles + ")"),
             formatBytes(volume.inUse)});
    }
    if (disk.reserved > 0)
        rows.push_back({"Reserved for the system by the file system", formatBytes(disk.reserved)});
    if (disk.structures > 0)
        rows.push_back(
            {"Partition tables and file system structures", formatBytes(disk.structures)});
    if (disk.purgeable > 0)
        rows.push_back({"Purgeable", formatBytes(disk.purgeable)});
    std::string text;
    if (!rows.empty())
        text = table({"Part", "Size"}, rows);
    if (!disk.snapshots.empty())
        text += std::string(text.empty() ? "" : "\n") +
                "- Local snapshots: " + formatCount(static_cast<int64_t>(disk.snapshots.size())) +
                ", the oldest from " + ReportText::day(disk.snapshots.front());
    return text.empty() ? std::string() : section("Beyond your files (whole disk)", text);
}

} // namespace

size_t AgentReport::budget(std::string_view prompt) {
    size_t length = ReportText::characterCount(prompt);
    return length >= 4'990 ? 2'000 : 6'990 - length;
}

AgentReport::AgentReport(const Input& input, size_t condensedBudget)
    : markdown(render(input, kFull)) {
    for (const Level& level : kCondensed) {
        condensed = render(input, level);
        if (ReportText::characterCount(condensed) <= condensedBudget)
            break;
    }
}

std::string AgentReport::render(const Input& input, const Level& level) {
    std::string blocks[] = {summary(input),
                            wholeDisk(input),
                            inside(input, level.inside),
                            biggestFolders(input, level.folders),
                            biggestFiles(input, level.files),
                            kinds(input, level.kinds),
                            changes(input, level.changes),
                            suggestions(input, level.suggestions)};
    std::string text;
    for (const std::string& block : blocks)
        if (!block.empty())
            text += (text.empty() ? "" : "\n") + block;
    return text;
}

} // namespace tavelin
