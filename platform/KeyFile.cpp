#include "platform/KeyFile.h"

#include <algorithm>

namespace tavelin::platform {
namespace {

std::string_view trimmed(std::string_view text) {
    size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

} // namespace

std::vector<std::string_view> keyFileGroupNames(std::string_view text) {
    std::vector<std::string_view> names;
    while (!text.empty()) {
        size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = trimmed(text.substr(0, end));
        text.remove_prefix(std::min(end + 1, text.size()));
        if (line.size() >= 2 && line.starts_with('[') && line.ends_with(']'))
            names.push_back(line.substr(1, line.size() - 2));
    }
    return names;
}

std::optional<KeyFileLines> keyFileGroup(std::string_view text, std::string_view group) {
    std::optional<KeyFileLines> lines;
    bool inGroup = false;
    while (!text.empty()) {
        size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = trimmed(text.substr(0, end));
        text.remove_prefix(std::min(end + 1, text.size()));
        if (line.empty() || line.starts_with('#'))
            continue;
        if (line.starts_with('[')) {
            if (inGroup)
                break;
            inGroup = line.size() == group.size() + 2 && line.ends_with(']') &&
                      line.substr(1, group.size()) == group;
            if (inGroup)
                lines.emplace();
            continue;
        }
        size_t equals = line.find('=');
        if (inGroup && equals != std::string_view::npos)
            lines->emplace_back(trimmed(line.substr(0, equals)), trimmed(line.substr(equals + 1)));
    }
    return lines;
}

} // namespace tavelin::platform
