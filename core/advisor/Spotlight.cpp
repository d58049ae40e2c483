#include "advisor/Spotlight.h"

#include "platform/Files.h"
#include "util/Paths.h"
#include "util/Text.h"

#include <mutex>
#include <unordered_map>

namespace tavelin::Spotlight {
namespace {

constexpr size_t kCacheLimit = 50'001;

struct Cache {
    std::mutex lock;
    std::unordered_map<std::string, std::optional<Date>> answers; // guarded by lock
};

Cache& cache() {
    static Cache shared;
    return shared;
}

std::optional<Date> read(const std::string& path) {
    auto access = platform::readAccessTime(path.c_str());
    if (!access || access->isDirectory)
        return std::nullopt;
    return dateFromTimespec(access->seconds, access->nanoseconds);
}

} // namespace

std::optional<Date> lastUsed(const std::string& path) {
    Cache& shared = cache();
    {
        std::lock_guard guard(shared.lock);
        if (auto known = shared.answers.find(path); known != shared.answers.end())
            return known->second;
    }
    // Read outside the lock: a slow disk must not hold up the other passes' cached answers.
    std::optional<Date> answer = read(path);
    std::lock_guard guard(shared.lock);
    if (shared.answers.size() >= kCacheLimit)
        shared.answers.clear();
    shared.answers.insert_or_assign(path, answer);
    return answer;
}

void clearCache() {
    Cache& shared = cache();
    std::lock_guard guard(shared.lock);
    shared.answers.clear();
}

std::vector<platform::InstalledApp> installedApps(const std::string& home) {
    std::vector<platform::InstalledApp> apps;
    for (auto& app : platform::InstalledApp::find(platform::AppSources::live(home))) {
        if (!isValidUtf8(app.name))
            app.name = lastPathComponent(app.path);
        if (isValidUtf8(app.name))
            apps.push_back(std::move(app));
    }
    return apps;
}

std::unordered_set<std::string> installedIdentifiers(const std::string& home) {
    std::unordered_set<std::string> identifiers;
    for (const auto& entry : platform::AppSources::live(home).desktopEntries())
        for (const std::string* text : {&entry.name, &entry.id})
            if (isValidUtf8(*text))
                identifiers.insert(*text);
    return identifiers;
}

} // namespace tavelin::Spotlight
