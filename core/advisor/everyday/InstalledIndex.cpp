#include "advisor/everyday/InstalledIndex.h"

#include "advisor/everyday/InstallersDetector.h"
#include "util/Text.h"

#include <algorithm>

namespace tavelin {
namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isIdentifier(std::string_view text) {
    if (text.find(' ') != std::string_view::npos)
        return false;
    size_t pieces = 0;
    for (size_t start = 0; start <= text.size(); ++pieces) {
        size_t dot = std::min(text.find('.', start), text.size());
        if (dot == start)
            return false;
        start = dot + 1;
    }
    return pieces >= 3;
}

std::string lastPiece(std::string_view identifier) {
    return std::string(identifier.substr(identifier.rfind('.') + 1));
}

// "Widget-Pro-2.3.1" for "Widget-Pro-2.3.1.dmg"; compressed tar archives lose both extensions.
std::string_view withoutExtension(std::string_view fileName) {
    size_t dot = fileName.rfind('.');
    if (dot == std::string_view::npos || dot == 0)
        return fileName;
    std::string_view stem = fileName.substr(0, dot);
    size_t inner = stem.rfind('.');
    if (inner != std::string_view::npos && inner > 0 && lowercased(stem.substr(inner)) == ".tar")
        return stem.substr(0, inner);
    return stem;
}

bool isVersion(std::string_view word) {
    return (word.front() == 'v' || word.front() == 'V') &&
           std::ranges::all_of(word.substr(1), isDigit);
}

} // namespace

InstalledIndex::InstalledIndex(const std::unordered_set<std::string>& installed) {
    std::vector<std::string> sorted(installed.begin(), installed.end());
    std::ranges::sort(sorted);
    for (std::string& text : sorted) {
        if (isIdentifier(text))
            entries_.push_back({key(lastPiece(text)), std::nullopt});
        else
            entries_.push_back({key(text), std::move(text)});
    }
}

std::string InstalledIndex::key(std::string_view text) {
    std::string joined;
    for (std::string_view word : alphanumericWords(text))
        joined += word;
    return lowercased(joined);
}

std::vector<std::string> InstalledIndex::appWords(std::string_view fileName) {
    std::vector<std::string> words;
    for (std::string_view word : alphanumericWords(withoutExtension(fileName)))
        if (!isDigit(word.front()) && !isVersion(word) &&
            !Everyday::contains(InstallersDetector::kNoise, lowercased(word)))
            words.emplace_back(word);
    return words;
}

std::optional<std::string> InstalledIndex::match(std::string_view fileName) const {
    std::vector<std::string> words = appWords(fileName);
    std::string joined;
    for (const std::string& word : words)
        joined += word;
    std::string wanted = key(joined);
    if (wanted.size() < 3)
        return std::nullopt;
    bool matched = false;
    for (const Entry& entry : entries_) {
        const std::string& shorter = entry.key.size() < wanted.size() ? entry.key : wanted;
        const std::string& longer = entry.key.size() < wanted.size() ? wanted : entry.key;
        bool same = entry.key == wanted || (shorter.size() >= 4 && longer.starts_with(shorter));
        if (entry.key.size() < 3 || !same)
            continue;
        if (entry.name)
            return entry.name;
        matched = true;
    }
    if (!matched)
        return std::nullopt;
    std::string spaced;
    for (const std::string& word : words)
        spaced += (spaced.empty() ? "" : " ") + word;
    return spaced;
}

} // namespace tavelin
