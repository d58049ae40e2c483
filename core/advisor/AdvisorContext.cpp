#include "advisor/AdvisorContext.h"

#include "advisor/Spotlight.h"
#include "advisor/cloud/CloudStorage.h"
#include "platform/FileFacts.h"
#include "platform/Files.h"
#include "util/Paths.h"
#include "util/Text.h"

#include <cmath>
#include <cstdlib>
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
