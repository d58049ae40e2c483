#include "platform/DesktopEntry.h"

#include "platform/KeyFile.h"

namespace tavelin::platform {
namespace {

// Characters a backslash escapes inside a quoted Exec= word.
constexpr std::string_view kQuotedEscapes = "\"`$\\";

// A string value with the format's escapes (\s \n \t \r \\) undone; unknown escapes stay.
std::string unescaped(std::string_view value) {
    std::string text;
    text.reserve(value.size());
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            text += value[i];
            continue;
        }
        switch (value[++i]) {
        case 's':
            text += ' ';
            break;
        case 'n':
            text += '\n';
            break;
        case 't':
            text += '\t';
            break;
        case 'r':
            text += '\r';
            break;
        case '\\':
            text += '\\';
            break;
        default:
            text += '\\';
            text += value[i];
        }
    }
    return text;
}

} // namespace

std::optional<std::vector<std::string>> DesktopEntry::execWords(std::string_view value) {
    std::string text = unescaped(value);
    std::vector<std::string> words;
    std::string word;
    bool literal = false; // the word has text of its own, not only field codes
    bool quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        bool last = i + 1 == text.size();
        if (c == '%' && !last) {
            // A field code stands for files or URLs the launcher would pass: gone here.
            if (text[++i] == '%') {
                word += '%';
                literal = true;
            }
            continue;
        }
        if (quoted) {
            if (c == '"')
                quoted = false;
            else if (c == '\\' && !last &&
                     kQuotedEscapes.find(text[i + 1]) != std::string_view::npos)
                word += text[++i];
            else
                word += c;
            continue;
        }
        if (c == ' ' || c == '\t' || c == '\n') {
            if (literal)
                words.push_back(std::move(word));
            word.clear();
            literal = false;
            continue;
        }
        literal = true;
        if (c == '"')
            quoted = true;
        else
            word += c;
    }
    if (quoted)
        return std::nullopt;
    if (literal)
        words.push_back(std::move(word));
    return words;
}

std::optional<DesktopEntry> DesktopEntry::parse(std::string_view text) {
    auto group = keyFileGroup(text, "Desktop Entry");
    if (!group)
        return std::nullopt;
    // The first occurrence of a key counts.
    auto value = [&](std::string_view key) -> std::optional<std::string_view> {
        for (const auto& [entryKey, entryValue] : *group)
            if (entryKey == key)
                return entryValue;
        return std::nullopt;
    };
    auto name = value("Name");
    if (value("Type") != "Application" || !name || name->empty())
        return std::nullopt;
    DesktopEntry entry;
    entry.name = unescaped(*name);
    if (auto exec = value("Exec")) {
        auto words = execWords(*exec);
        if (!words)
            return std::nullopt;
        entry.exec = std::move(*words);
    }
    entry.tryExec = unescaped(value("TryExec").value_or(""));
    entry.workingFolder = unescaped(value("Path").value_or(""));
    entry.icon = unescaped(value("Icon").value_or(""));
    entry.hidden = value("Hidden") == "true";
    entry.noDisplay = value("NoDisplay") == "true";
    return entry;
}

} // namespace tavelin::platform
