#include "history/ScanRecord.h"

#include "history/RecordText.h"
#include "util/JsonValues.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <utility>
#include <vector>

namespace tavelin {
namespace {

using Json = nlohmann::json;

std::optional<std::map<std::string, int64_t>> sizesFrom(const Json& value) {
    if (!value.is_object())
        return std::nullopt;
    std::map<std::string, int64_t> sizes;
    for (const auto& [key, entry] : value.items()) {
        std::optional<int64_t> size = int64From(entry);
        if (!size)
            return std::nullopt;
        sizes.emplace(key, *size);
    }
    return sizes;
}

std::string childKey(const std::string& parentKey, const std::string& name) {
    return parentKey.empty() ? name : parentKey + "/" + name;
}

} // namespace

ScanRecord ScanRecord::of(const Node& root, Date date) {
    ScanRecord record{History::recordText(root.path()),
                      date,
                      root.size,
                      root.unique,
                      root.fileCount,
                      {{"", root.size}},
                      {},
                      root.apparent};
    struct Pending {
        const Node* node;
        std::string key;
        int depth;
    };
    std::vector<Pending> pending{{&root, "", 0}};
    while (!pending.empty()) {
        auto [node, key, depth] = std::move(pending.back());
        pending.pop_back();
        for (const Node::Ptr& child : node->children()) {
            int64_t floor = child->kind() == Node::Kind::file ? fileFloor : folderFloor;
            if (child->size < floor)
                continue;
            std::string childPath = childKey(key, History::recordText(child->name));
            record.sizes[childPath] = child->size;
            if (child->isDirectory() && depth + 1 < deepest)
                pending.push_back({child.get(), std::move(childPath), depth + 1});
        }
    }
    return record;
}

std::string ScanRecord::relativePath(const Node& node, const Node& root) {
    if (&node == &root)
        return {};
    std::string rootPath = root.path();
    std::string prefix = rootPath == "/" ? rootPath : rootPath + "/";
    std::string path = node.path();
    if (path.starts_with(prefix))
        path.erase(0, prefix.size());
    return History::recordText(path);
}

std::optional<int64_t> ScanRecord::sizeOf(const Node& node, const Node& root) const {
    if (node.isPseudo())
        return std::nullopt;
    auto entry = sizes.find(relativePath(node, root));
    if (entry == sizes.end())
        return std::nullopt;
    return entry->second;
}

std::optional<int64_t> ScanRecord::growthOf(const Node& node, const Node& root) const {
    // Counted by parents: a deep node's path is long, and only whether it is too deep matters.
    int depth = 0;
    for (const Node* at = &node; at != &root; at = at->parent()) {
        if (!at->parent() || ++depth > deepest)
            return std::nullopt;
    }
    if (node.isPseudo())
        return std::nullopt;
    if (auto before = sizeOf(node, root))
        return node.size - *before;
    int64_t floor = node.kind() == Node::Kind::file ? fileFloor : folderFloor;
    if (depth == 0 || node.size < floor || !sizeOf(*node.parent(), root))
        return std::nullopt;
    return node.size;
}

int ScanRecord::depthOf(std::string_view relativePath) {
    if (relativePath.empty())
        return 0;
    return 1 + static_cast<int>(std::ranges::count(relativePath, '/'));
}

std::string ScanRecord::encoded() const {
    Json json = {{"root", root},   {"date", secondsSince1970(date)},
                 {"size", size},   {"unique", unique},
                 {"files", files}, {"sizes", sizes}};
    if (apparent)
        json["apparent"] = *apparent;
    if (!excluded.empty())
        json["excluded"] = excluded;
    return json.dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::optional<ScanRecord> ScanRecord::decoded(std::string_view text) {
    Json json = Json::parse(text, nullptr, false);
    if (json.is_discarded() || !json.is_object())
        return std::nullopt;
    for (const char* key : {"root", "date", "size", "unique", "files", "sizes"})
        if (!json.contains(key))
            return std::nullopt;
    if (!json["root"].is_string())
        return std::nullopt;
    auto date = dateFrom(json["date"]);
    auto size = int64From(json["size"]);
    auto unique = int64From(json["unique"]);
    auto files = int64From(json["files"]);
    auto sizes = sizesFrom(json["sizes"]);
    std::optional<int64_t> apparent;
    if (json.contains("apparent") && !(apparent = int64From(json["apparent"])))
        return std::nullopt;
    if (!date || !size || !unique || !files || !sizes)
        return std::nullopt;
    std::vector<std::string> excluded;
    if (json.contains("excluded")) {
        const Json& list = json["excluded"];
        if (!list.is_array() || !std::ranges::all_of(list, &Json::is_string))
            return std::nullopt;
        excluded = list.get<std::vector<std::string>>();
    }
    return ScanRecord{json["root"].get<std::string>(),
                      *date,
                      *size,
                      *unique,
                      *files,
                      std::move(*sizes),
                      std::move(excluded),
                      apparent};
}

} // namespace tavelin
