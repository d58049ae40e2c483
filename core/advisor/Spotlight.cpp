#include "advisor/Spotlight.h"

#include "platform/Files.h"

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

} // namespace tavelin::Spotlight
