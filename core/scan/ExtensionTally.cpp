#include "scan/ExtensionTally.h"

#include "util/Text.h"

#include <algorithm>
#include <array>

namespace tavelin {
namespace {

constexpr size_t kMaxExtensionBytes = 12;

std::string_view extensionOf(std::string_view name) {
    size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0)
        return {};
    std::string_view extension = name.substr(dot + 1);
    return extension.size() <= kMaxExtensionBytes ? extension : std::string_view{};
}

} // namespace

std::string ExtensionTally::key(std::string_view name) {
    return lowercased(extensionOf(name));
}

void ExtensionTally::add(std::string_view name, int64_t bytes) {
    std::string_view extension = extensionOf(name);
    // Lower-case ASCII in place on the stack; anything beyond ASCII takes the full Unicode path.
    std::array<char, kMaxExtensionBytes> buffer;
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
    auto found = entries_.find(lookup);
    if (found == entries_.end())
        found = entries_.emplace(std::string(lookup), Entry{}).first;
    found->second.bytes += bytes;
    found->second.files += 1;
}

void ExtensionTally::merge(const ExtensionTally& other) {
    for (const auto& [key, entry] : other.entries_) {
        Entry& mine = entries_[key];
        mine.bytes += entry.bytes;
        mine.files += entry.files;
    }
}

} // namespace tavelin
