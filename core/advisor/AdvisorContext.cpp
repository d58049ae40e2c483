#include "advisor/AdvisorContext.h"

#include "advisor/Spotlight.h"
#include "advisor/cloud/CloudStorage.h"
#include "platform/FileFacts.h"
#include "platform/Files.h"
#include "platform/Kernel.h"
#include "platform/MessageCatalogs.h"
#include "platform/TerminalCommand.h"
#include "scan/Exclusions.h"
#include "scan/TreeScanner.h"
#include "util/Paths.h"
#include "util/Text.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>

namespace tavelin {
namespace {

constexpr size_t kReadLimit = 16 << 20;

std::optional<std::string> readUtf8File(const std::string& path) {
    auto content = platform::readRegularFile(path.c_str(), kReadLimit);
    if (!content || !isValidUtf8(*content))
        return std::nullopt;
    return content;
}

// Folders and regular files directly in the folder, with the figures a scan would give them;
// entries that vanish or cannot be examined meanwhile are left out.
std::optional<std::vector<FolderEntry>> folderEntries(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code error;
    fs::directory_iterator entry(path, error);
    if (error)
        return std::nullopt;
    std::vector<FolderEntry> entries;
    for (; !error && entry != fs::directory_iterator(); entry.increment(error)) {
        std::string name = entry->path().filename().string();
        std::string full = joinPath(path, name);
        platform::FileFacts facts;
        if (platform::readFileFacts(full.c_str(), facts) != 0 ||
            !(facts.isDirectory || facts.isRegular))
            continue;
        int64_t unique =
            facts.isRegular
                ? TreeScanner::uniqueSize(full, facts.allocated).value_or(facts.allocated)
                : facts.allocated;
        entries.push_back({std::move(name), facts.isDirectory, facts.allocated, unique,
                           dateFromTimespec(facts.modifiedSeconds, facts.modifiedNanoseconds)});
    }
    return entries;
}

// `make` run on the first call only, its answer shared by every copy of the callback: a run's
// detectors, on whatever thread, all see one answer.
template <typename Value>
std::function<Value()> once(std::function<Value()> make) {
    struct Shared {
        std::once_flag made;
        std::function<Value()> make;
        Value value{};
    };
    auto shared = std::make_shared<Shared>();
    shared->make = std::move(make);
    return [shared] {
        std::call_once(shared->made, [&] { shared->value = shared->make(); });
        return shared->value;
    };
}

} // namespace

AdvisorContext AdvisorContext::live(Node::Ptr root, std::string_view home, Date now) {
    std::string folder = standardizedPath(home);
    return {
        .root = std::move(root),
        .home = folder,
        .sandboxed = std::getenv("APP_SANDBOX_CONTAINER_ID") != nullptr,
        .now = now,
        .lastUsed = Spotlight::lastUsed,
        .fileExists = [](const std::string& path) { return platform::pathExists(path.c_str()); },
        .readFile = readUtf8File,
        .ownBytes =
            [](const std::string& path) {
                platform::FileFacts facts;
                return platform::readFileFacts(path.c_str(), facts) == 0 ? facts.allocated
                                                                         : int64_t{0};
            },
        .installedBundleIDs = once<std::unordered_set<std::string>>(
            [folder] { return Spotlight::installedIdentifiers(folder); }),
        .cloudProviders =
            once<std::vector<CloudProvider>>([folder] { return CloudStorage::providers(folder); }),
        .userFolders = platform::readUserDirectories(folder),
        .installedApps = once<std::vector<platform::InstalledApp>>(
            [folder] { return Spotlight::installedApps(folder); }),
        .listFolder = folderEntries,
        .translate = [catalogs = std::make_shared<platform::MessageCatalogs>()](
                         const std::string& domain,
                         const std::string& text) { return catalogs->translation(domain, text); },
        .findProgram = [](const std::string& name) { return platform::findInPath(name); },
        .linkTarget =
            [](const std::string& path) { return platform::readLinkTarget(path.c_str()); },
        .kernelRelease = platform::kernelRelease(),
    };
}

void AdvisorContext::exclude(const Exclusions& exclusions) {
    if (exclusions.empty() || !root)
        return;
    listFolder = [list = std::move(listFolder), exclusions,
                  top = root->path()](const std::string& path) {
        auto entries = list(path);
        if (entries)
            std::erase_if(*entries, [&](const FolderEntry& entry) {
                return exclusions.covers(top, joinPath(path, entry.name));
            });
        return entries;
    };
}

AdvisorContext AdvisorContext::ofTree(Node::Ptr root, std::string_view home, Date now) {
    AdvisorContext context{.root = root, .home = standardizedPath(home), .now = now};
    context.lastUsed = [](const std::string&) { return std::optional<Date>(); };
    context.fileExists = [root](const std::string& path) {
        return root && root->descendant(path) != nullptr;
    };
    context.readFile = [](const std::string&) { return std::optional<std::string>(); };
    context.installedBundleIDs = [] { return std::unordered_set<std::string>(); };
    context.cloudProviders = [] { return std::vector<CloudProvider>(); };
    return context;
}

std::vector<std::string> AdvisorContext::places(std::string_view location, std::string_view home) {
    std::string data(kDataVolume);
    if (location.starts_with('/'))
        return {std::string(location), data + std::string(location)};
    return {joinPath(home, location),
            joinPath(standardizedPath(data + std::string(home)), location)};
}

Node* AdvisorContext::node(Node& root, std::string_view location, std::string_view home) {
    for (const std::string& place : places(location, home))
        if (Node* found = root.descendant(place))
            return found;
    return nullptr;
}

int AdvisorContext::daysSince(Date date) const {
    // In seconds apart: the distant past lies further back than nanoseconds can span.
    double seconds = secondsSince1970(now) - secondsSince1970(date);
    return static_cast<int>(std::trunc((seconds + 60) / 86'400));
}

} // namespace tavelin
