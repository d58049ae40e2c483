#include "scan/Exclusions.h"

#include "util/Paths.h"
#include "util/Text.h"

#include <algorithm>
#include <array>
#include <fnmatch.h>

namespace tavelin {
namespace {

bool isPattern(std::string_view entry) {
    return entry.find_first_of("*?[\\") != std::string_view::npos;
}

} // namespace

Exclusions::Exclusions(const std::vector<std::string>& entries) {
    for (const std::string& given : entries) {
        std::optional<std::string> entry = entryFrom(given);
        if (!entry || std::ranges::find(entries_, *entry) != entries_.end())
            continue;
        if (entry->front() == '/')
            paths_.insert(*entry);
        else if (isPattern(*entry))
            patterns_.push_back(*entry);
        else
            names_.insert(*entry);
        entries_.push_back(std::move(*entry));
    }
}

std::optional<std::string> Exclusions::entryFrom(std::string_view typed) {
    std::string entry(trimmed(typed));
    if (entry.empty() || entry == "." || entry == "..")
        return std::nullopt;
    if (entry.front() == '/') {
        entry = standardizedPath(entry);
        return entry == "/" ? std::nullopt : std::optional(entry);
    }
    if (entry.find('/') != std::string::npos)
        return std::nullopt;
    return entry;
}

bool Exclusions::excludesName(std::string_view name) const {
    if (names_.contains(name))
        return true;
    if (patterns_.empty())
        return false;
    // Names on Linux are at most 255 bytes: matched from a copy on the stack, not the heap.
    std::array<char, 256> buffer{};
    if (name.size() >= buffer.size())
        return false;
    std::copy(name.begin(), name.end(), buffer.begin());
    return std::ranges::any_of(patterns_, [&](const std::string& pattern) {
        return fnmatch(pattern.c_str(), buffer.data(), 0) == 0;
    });
}

bool Exclusions::covers(std::string_view root, std::string_view path) const {
    if (empty() || !isBelow(path, root))
        return false;
    size_t start = root == "/" ? 1 : root.size() + 1;
    while (start <= path.size()) {
        size_t end = std::min(path.find('/', start), path.size());
        if (excludesName(path.substr(start, end - start)) || paths_.contains(path.substr(0, end)))
            return true;
        start = end + 1;
    }
    return false;
}

} // namespace tavelin
