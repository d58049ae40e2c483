#include "scan/ExtensionTally.h"

#include "util/Text.h"

#include <algorithm>
#include <array>

namespace tavelin {
namespace {

std::string_view extensionOf(std::string_view name) {
    size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0)
        return {};
    std::string_view extension = name.substr(dot + 1);
    return extension.size() <= ExtensionTally::kMaxKeyBytes ? extension : std::string_view{};
}

} // namespace

std::string ExtensionTally::key(std::string_view name) {
    return lowercased(extensionOf(name));
}

void ExtensionTally::add(std::string_view name, int64_t bytes) {
    std::string_view extension = extensionOf(name);
    // Lower-case ASCII in place on the stack; anything beyond ASCII takes the full Unicode path.
    std::array<char, kMaxKeyBytes> buffer;
    bool ascii = true;
    for (size_t i = 0; i < extension.size(); ++i) {
        auto c = static_cast<unsigned char>(extension[i]);
        ascii = ascii && c < 0x80;
        buffer[i] = static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
    }
    std::string_view lookup(buffer.data(), extension.size());
    std::string unicode;
    if (!ascii) {
        unicode = lowercased(extension);
        lookup = unicode;
    }
    Entry& entry = entryFor(lookup);
    entry.bytes += bytes;
    entry.files += 1;
}

ExtensionTally::Entry& ExtensionTally::entryFor(std::string_view key) {
    if (recent_.entry && key == std::string_view(recent_.key.data(), recent_.length))
        return *recent_.entry;
    auto found = entries_.find(key);
    if (found == entries_.end())
        found = entries_.emplace(std::string(key), Entry{}).first;
    // Keys longer than the array are not remembered (lower-casing can lengthen a key).
    recent_.entry = key.size() <= recent_.key.size() ? &found->second : nullptr;
    recent_.length = key.copy(recent_.key.data(), recent_.key.size());
    return found->second;
}

void ExtensionTally::merge(const ExtensionTally& other) {
    for (const auto& [key, entry] : other.entries_) {
        Entry& mine = entries_[key];
        mine.bytes += entry.bytes;
        mine.files += entry.files;
    }
}

} // namespace tavelin
