#include "history/History.h"

#include "util/Paths.h"

#include <algorithm>
#include <map>
#include <set>
#include <unordered_map>

namespace tavelin::History {
namespace {

int signOf(int64_t value) {
    return (value > 0) - (value < 0);
}

// 128 bits, so that ten times a huge delta cannot overflow.
__int128 magnitude(int64_t value) {
    return value < 0 ? -static_cast<__int128>(value) : value;
}

bool explains(const Change& child, const Change& parent) {
    return signOf(child.delta()) == signOf(parent.delta()) &&
           10 * magnitude(child.delta()) >= 8 * magnitude(parent.delta());
}

// Records written before they had a depth bound may hold deeper entries, which the other record
// would not have: they are left out, not taken as gone or new.
std::vector<Change> changesAtLeast(const ScanRecord& from, const ScanRecord& to, int64_t floor) {
    std::set<std::string> paths;
    for (const auto* sizes : {&from.sizes, &to.sizes})
        for (const auto& entry : *sizes)
            if (!entry.first.empty() && ScanRecord::depthOf(entry.first) <= ScanRecord::deepest)
                paths.insert(entry.first);
    auto lookUp = [](const std::map<std::string, int64_t>& sizes,
                     const std::string& path) -> std::optional<int64_t> {
        auto entry = sizes.find(path);
        return entry == sizes.end() ? std::nullopt : std::optional(entry->second);
    };
    std::vector<Change> kept;
    for (const std::string& path : paths) {
        Change change{path, lookUp(from.sizes, path), lookUp(to.sizes, path)};
        if (magnitude(change.delta()) >= floor)
            kept.push_back(std::move(change));
    }
    return kept;
}

// Decided against the whole kept list at once, so a chain of folders that all follow one
// deep child collapses to that child.
void removeExplainedParents(std::vector<Change>& kept) {
    std::unordered_map<std::string, size_t> indexByPath;
    for (size_t i = 0; i < kept.size(); ++i)
        indexByPath.emplace(kept[i].path, i);
    std::vector<bool> explained(kept.size(), false);
    for (const Change& child : kept) {
        auto parent = indexByPath.find(parentPath(child.path));
        if (parent != indexByPath.end() && explains(child, kept[parent->second]))
            explained[parent->second] = true;
    }
    std::vector<Change> unexplained;
    for (size_t i = 0; i < kept.size(); ++i)
        if (!explained[i])
            unexplained.push_back(std::move(kept[i]));
    kept = std::move(unexplained);
}

} // namespace

std::vector<Change> changes(const ScanRecord& from, const ScanRecord& to, int64_t floor,
                            int limit) {
    std::vector<Change> kept = changesAtLeast(from, to, floor);
    removeExplainedParents(kept);
    std::stable_sort(kept.begin(), kept.end(), [](const Change& a, const Change& b) {
        return magnitude(a.delta()) > magnitude(b.delta());
    });
    kept.resize(std::min(kept.size(), static_cast<size_t>(std::max(limit, 0))));
    return kept;
}

} // namespace tavelin::History
