#include "scan/ExtensionTally.h"

#include "util/Text.h"

namespace tavelin {

// Only the last 13 bytes can hold the dot of a key.
std::string_view ExtensionTally::extension(std::string_view name) {
    size_t stop = name.size() > kMaxKeyBytes + 1 ? name.size() - kMaxKeyBytes - 1 : 0;
    for (size_t dot = name.size(); dot-- > stop;) {
        if (name[dot] == '.')
            return dot == 0 ? std::string_view{} : name.substr(dot + 1);
    }
    return {};
}

std::string ExtensionTally::key(std::string_view name) {
    return lowercased(extension(name));
}

void ExtensionTally::add(std::string_view name, int64_t bytes, int64_t apparent) {
    addEntry(key(name), {bytes, 1, apparent});
}

void ExtensionTally::addEntry(std::string_view key, const Entry& entry) {
    auto found = entries_.find(key);
    if (found == entries_.end())
        found = entries_.emplace(std::string(key), Entry{}).first;
    found->second.bytes += entry.bytes;
    found->second.files += entry.files;
    found->second.apparent += entry.apparent;
}

void ExtensionTally::merge(const ExtensionTally& other) {
    for (const auto& [key, entry] : other.entries_)
        addEntry(key, entry);
}

} // namespace tavelin
