#include "util/Text.h"

#include <algorithm>
#include <cwctype>
#include <locale>

namespace tavelin {
namespace {

// Decodes the first UTF-8 sequence; returns its length, or 0 when it is not valid UTF-8.
size_t decodeFirst(std::string_view text, char32_t& codePoint) {
    auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    unsigned char lead = byte(0);
    size_t length = lead < 0x80           ? 1
                    : (lead >> 5) == 0x6  ? 2
                    : (lead >> 4) == 0xE  ? 3
                    : (lead >> 3) == 0x1E ? 4
                                          : 0;
    if (length == 0 || length > text.size())
        return 0;
    codePoint = length == 1 ? lead : lead & (0xFF >> (length + 1));
    for (size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80)
            return 0;
        codePoint = (codePoint << 6) | (byte(i) & 0x3F);
    }
    constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    bool overlong = codePoint < kSmallest[length];
    bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
    if (overlong || surrogate || codePoint > 0x10FFFF)
        return 0;
    return length;
}

std::string encode(char32_t c) {
    std::string out;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

// Case mapping that does not depend on the user's locale: glibc's built-in C.UTF-8 knows
// every script.
const std::locale& unicodeLocale() {
    static const std::locale locale = [] {
        try {
            return std::locale("C.UTF-8");
        } catch (const std::runtime_error&) {
            return std::locale::classic();
        }
    }();
    return locale;
}

template <typename Map>
std::string mapped(std::string_view text, size_t count, Map map) {
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        char32_t c = 0;
        size_t length = decodeFirst(text, c);
        if (length == 0) {
            out += text.front();
            text.remove_prefix(1);
            continue;
        }
        out += count > 0 ? encode(map(c)) : std::string(text.substr(0, length));
        count -= count > 0 ? 1 : 0;
        text.remove_prefix(length);
    }
    return out;
}

// The control characters (C0, DEL and C1: a terminal acts on ESC and CSI instead of showing
// them) and the line and paragraph separators.
bool breaksLines(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029;
}

void appendEscapedBytes(std::string& out, std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    for (char byte : bytes) {
        auto value = static_cast<unsigned char>(byte);
        out += "\\x";
        out += kDigits[value >> 4];
        out += kDigits[value & 0xF];
    }
}

} // namespace

bool isValidUtf8(std::string_view bytes) {
    while (!bytes.empty()) {
        size_t length = utf8SequenceLength(bytes);
        if (length == 0)
            return false;
        bytes.remove_prefix(length);
    }
    return true;
}

size_t utf8SequenceLength(std::string_view bytes) {
    char32_t c = 0;
    return bytes.empty() ? 0 : decodeFirst(bytes, c);
}

std::string listText(const std::vector<std::string>& names) {
    std::string text;
    for (size_t i = 0; i < names.size(); ++i) {
        if (i > 0)
            text += i + 1 == names.size() ? " and " : ", ";
        text += names[i];
    }
    return text;
}

std::string singleLine(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        char32_t c = 0;
        size_t length = decodeFirst(text, c);
        std::string_view sequence = text.substr(0, std::max<size_t>(length, 1));
        text.remove_prefix(sequence.size());
        if (length == 0)
            appendEscapedBytes(out, sequence);
        else if (c == '\n')
            out += "\\n";
        else if (c == '\t')
            out += "\\t";
        else if (c == '\r')
            out += "\\r";
        else if (breaksLines(c))
            appendEscapedBytes(out, sequence);
        else
            out += sequence;
    }
    return out;
}

std::string lowercased(std::string_view utf8) {
    return mapped(utf8, utf8.size(), [](char32_t c) {
        return static_cast<char32_t>(std::tolower(static_cast<wchar_t>(c), unicodeLocale()));
    });
}

std::vector<std::string_view> alphanumericWords(std::string_view utf8) {
    std::vector<std::string_view> words;
    size_t start = 0;
    for (size_t at = 0; at < utf8.size();) {
        char32_t c = 0;
        size_t length = decodeFirst(utf8.substr(at), c);
        bool inWord = length > 0 && std::isalnum(static_cast<wchar_t>(c), unicodeLocale());
        if (!inWord) {
            if (at > start)
                words.push_back(utf8.substr(start, at - start));
            start = at + std::max<size_t>(length, 1);
        }
        at += std::max<size_t>(length, 1);
    }
    if (utf8.size() > start)
        words.push_back(utf8.substr(start));
    return words;
}

std::string capitalizedFirst(std::string_view utf8) {
    char32_t first = 0;
    if (utf8.empty() || decodeFirst(utf8, first) == 0)
        return std::string(utf8);
    return mapped(utf8, 1, [](char32_t c) {
        return static_cast<char32_t>(std::toupper(static_cast<wchar_t>(c), unicodeLocale()));
    });
}

std::vector<std::string_view> pieces(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    while (!text.empty()) {
        size_t end = std::min(text.find(separator), text.size());
        if (end > 0)
            parts.push_back(text.substr(0, end));
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    return parts;
}

std::string_view trimmed(std::string_view text) {
    constexpr std::string_view kBlank = " \t\r";
    size_t first = text.find_first_not_of(kBlank);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(kBlank) - first + 1);
}

std::string shellWord(std::string_view text) {
    constexpr std::string_view kLiteral = "@%+=:,./_-";
    bool plain = !text.empty() && std::ranges::all_of(text, [&](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               kLiteral.find(c) != std::string_view::npos;
    });
    if (plain)
        return std::string(text);
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

} // namespace tavelin
