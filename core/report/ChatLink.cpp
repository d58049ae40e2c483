#include "report/ChatLink.h"

#include "report/AgentPrompt.h"
#include "report/ReportText.h"

#include <cstring>
#include <vector>

namespace tavelin::ChatLink {
namespace {

constexpr size_t kShortened = 6'941;

bool allowed(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           (c != 0 && std::strchr("!$'()*,-./:;?@_~", c) != nullptr);
}

} // namespace

std::string text(std::string_view prompt, std::string_view condensedReport) {
    std::string whole = AgentPrompt::inlined(prompt, condensedReport);
    if (ReportText::characterCount(whole) <= kLimit)
        return whole;
    std::vector<std::string_view> lines;
    std::string_view rest = whole;
    for (size_t end; (end = rest.find('\n')) != std::string_view::npos; rest.remove_prefix(end + 1))
        lines.push_back(rest.substr(0, end));
    lines.push_back(rest);
    // Characters of the joined lines: each line and the break before every line but the first.
    size_t length = ReportText::characterCount(whole);
    while (length >= kShortened && lines.size() > 1) {
        length -= ReportText::characterCount(lines.back()) + 1;
        lines.pop_back();
    }
    std::string shortened(lines.front());
    for (size_t index = 1; index < lines.size(); ++index)
        shortened.append("\n").append(lines[index]);
    return shortened + "\n\n(Shortened to fit. Ask me for the rest of the report if you need it.)";
}

std::string queryValue(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(text.size() * 3);
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (allowed(byte)) {
            encoded += c;
        } else {
            encoded += '%';
            encoded += kHex[byte >> 4];
            encoded += kHex[byte & 0xF];
        }
    }
    return encoded;
}

} // namespace tavelin::ChatLink
