#include "scan/LinkSet.h"

#include <algorithm>

namespace tavelin {

void LinkSet::decide(std::vector<Claim>& claims, bool again) {
    std::lock_guard guard(lock_);
    for (Claim& claim : claims) {
        auto [entry, added] = counted_.try_emplace(claim.key, claim.folder);
        claim.counts = added || (again && entry->second == claim.folder);
    }
}

void LinkSet::release(const std::vector<Folder>& measured,
                      const std::vector<std::pair<Key, Folder>>& held) {
    if (measured.empty())
        return;
    std::unordered_set<Folder, FolderHash> folders(measured.begin(), measured.end());
    std::unordered_map<Key, std::vector<Folder>, KeyHash> holders;
    for (const auto& [key, folder] : held)
        holders[key].push_back(folder);
    std::lock_guard guard(lock_);
    std::erase_if(counted_, [&](const auto& entry) {
        const auto& [key, folder] = entry;
        if (!folders.contains(folder))
            return false;
        auto found = holders.find(key);
        return found == holders.end() ||
               std::find(found->second.begin(), found->second.end(), folder) == found->second.end();
    });
}

} // namespace tavelin
