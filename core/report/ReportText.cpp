#include "report/ReportText.h"

#include "util/Paths.h"
#include "util/Text.h"

#include <algorithm>
#include <cmath>
#include <ctime>

namespace tavelin::ReportText {
namespace {

std::string localTime(Date date, const char* format) {
    std::time_t seconds = std::chrono::system_clock::to_time_t(date);
    std::tm local{};
    if (!::localtime_r(&seconds, &local))
        return "?";
    // Month names in English whatever the locale: the report is read by an agent, in English.
    static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::string text;
    for (const char* c = format; *c; ++c) {
        char field[48];
        switch (*c) {
        case 'D':
            std::snprintf(field, sizeof field, "%04d-%02d-%02d", local.tm_year + 1900,
                          local.tm_mon + 1, local.tm_mday);
            break;
        case 'd':
            std::snprintf(field, sizeof field, "%d %s %d", local.tm_mday, kMonths[local.tm_mon],
                          local.tm_year + 1900);
            break;
        case 't':
            std::snprintf(field, sizeof field, "%02d:%02d", local.tm_hour, local.tm_min);
            break;
        default:
            field[0] = *c;
            field[1] = '\0';
        }
        text += field;
    }
    return text;
}

void collect(const Node& folder, Node::Kind kind, int64_t minimum,
             std::vector<const Node*>& found) {
    for (const Node::Ptr& child : folder.children()) {
        if (child->size < minimum)
            continue;
        if (child->kind() == kind)
            found.push_back(child.get());
        if (child->isDirectory())
            collect(*child, kind, minimum, found);
    }
}

// Whether a listed child holds 80 % or more of the folder.
bool heldByOneChild(const Node& folder, int64_t minimum) {
    return std::any_of(folder.children().begin(), folder.children().end(),
                       [&](const Node::Ptr& child) {
                           return child->isDirectory() && child->size >= minimum &&
                                  10 * static_cast<__int128>(child->size) >=
                                      8 * static_cast<__int128>(folder.size);
                       });
}

} // namespace

std::string shortPath(std::string_view path, std::string_view home) {
    if (path.starts_with(kDataVolume) &&
        (path.size() == kDataVolume.size() || path[kDataVolume.size()] == '/'))
        path.remove_prefix(kDataVolume.size());
    if (path.empty())
        return "/";
    if (!home.empty() && home != "/") {
        if (path == home)
            return "~";
        if (isBelow(path, home))
            return "~/" + std::string(path.substr(home.size() + 1));
    }
    return std::string(path);
}

std::string percent(int64_t part, int64_t whole) {
    if (whole < 1)
        return "?";
    double ratio = static_cast<double>(part) / static_cast<double>(whole) * 100.0;
    return std::to_string(std::llround(ratio)) + "%";
}

std::string day(Date date) {
    return date <= kDistantPast ? "?" : localTime(date, "D");
}

std::string abbreviatedDay(Date date) {
    return date <= kDistantPast ? "?" : localTime(date, "d");
}

std::string abbreviatedDayAndTime(Date date) {
    return date <= kDistantPast ? "?" : localTime(date, "d, t");
}

std::string code(std::string_view name) {
    std::string text = singleLine(name);
    size_t longest = 0;
    for (size_t at = text.find('`'); at != std::string::npos; at = text.find('`', at)) {
        size_t end = std::min(text.find_first_not_of('`', at), text.size());
        longest = std::max(longest, end - at);
        at = end;
    }
    // A span drops one space at each end when it has one at both, and a backtick at an end
    // would join the fence.
    bool pad = text.empty() || text.front() == '`' || text.back() == '`' ||
               (text.front() == ' ' && text.back() == ' ');
    std::string fence(longest + 1, '`');
    std::string space = pad ? " " : "";
    return fence + space + text + space + fence;
}

std::string plain(std::string_view text) {
    auto alphanumeric = [&](size_t at) {
        char c = at < text.size() ? text[at] : ' ';
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    };
    std::string escaped;
    escaped.reserve(text.size());
    for (size_t at = 0; at < text.size(); ++at) {
        char c = text[at];
        bool startsMarkdown = std::string_view("\\`*[]<~@").find(c) != std::string_view::npos;
        // "_" inside a word ("node_modules") never emphasises; "&" acts only as "&name;".
        bool underscore = c == '_' && !(at > 0 && alphanumeric(at - 1) && alphanumeric(at + 1));
        bool entity = c == '&' && (alphanumeric(at + 1) || text.substr(at + 1).starts_with('#'));
        bool endsScheme = c == ':' && text.substr(at + 1).starts_with("//");
        bool endsWww = c == '.' && at >= 3 && lowercased(text.substr(at - 3, 3)) == "www";
        if (startsMarkdown || underscore || entity || endsScheme || endsWww)
            escaped += '\\';
        escaped += c;
    }
    // After the backslashes, so that the escapes' own stay single.
    return singleLine(escaped);
}

std::string table(const std::vector<std::string>& titles,
                  const std::vector<std::vector<std::string>>& rows) {
    auto line = [](const std::vector<std::string>& cells) {
        std::string text = "|";
        for (const std::string& cell : cells) {
            text += ' ';
            for (char c : singleLine(cell))
                text += c == '|' ? std::string("\\|") : std::string(1, c);
            text += " |";
        }
        return text;
    };
    std::string text = line(titles) + "\n|";
    for (size_t column = 0; column < titles.size(); ++column)
        text += column == 0 ? " --- " : "| --- ";
    text += "|";
    for (const auto& row : rows)
        text += "\n" + line(row);
    return text;
}

size_t characterCount(std::string_view text) {
    return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

std::vector<const Node*> biggest(const Node& root, Node::Kind kind, size_t limit, int64_t minimum) {
    std::vector<const Node*> found;
    collect(root, kind, minimum, found);
    if (kind == Node::Kind::directory)
        std::erase_if(found, [&](const Node* folder) { return heldByOneChild(*folder, minimum); });
    std::stable_sort(found.begin(), found.end(),
                     [](const Node* a, const Node* b) { return a->size > b->size; });
    if (found.size() > limit)
        found.resize(limit);
    return found;
}

} // namespace tavelin::ReportText
