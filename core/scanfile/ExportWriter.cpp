#include "scanfile/ExportWriter.h"

#include <charconv>

namespace tavelin {
namespace {

void appendEscaped(std::string& out, std::string_view text) {
    constexpr char kHex[] = "0123456789abcdef";
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || byte == 0x7F) {
            out += "\\u00";
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        } else {
            out += c;
        }
    }
}

} // namespace

template <typename Integer>
void ExportWriter::number(std::string_view key, Integer value) {
    char digits[24];
    auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    line_ += ",\"";
    line_ += key;
    line_ += "\":";
    line_.append(digits, end);
}

void ExportWriter::begin(std::string_view program, std::string_view version, int64_t timestamp) {
    line_ = "[1,2,{\"progname\":\"";
    appendEscaped(line_, program);
    line_ += "\",\"progver\":\"";
    appendEscaped(line_, version);
    line_ += '"';
    number("timestamp", timestamp);
    line_ += '}';
    output_.write(line_);
}

void ExportWriter::startEntry(char opening, std::string_view name) {
    line_ = ",\n";
    if (opening)
        line_ += opening;
    line_ += "{\"name\":\"";
    appendEscaped(line_, name);
    line_ += '"';
}

void ExportWriter::sizes(const platform::FileFacts& facts) {
    if (facts.apparent > 0)
        number("asize", static_cast<uint64_t>(facts.apparent));
    if (facts.allocated > 0)
        number("dsize", static_cast<uint64_t>(facts.allocated));
    if (devices_.empty() || devices_.back() != facts.device)
        number("dev", facts.device);
}

void ExportWriter::finishEntry() {
    line_ += '}';
    output_.write(line_);
}

void ExportWriter::openFolder(std::string_view name, const platform::FileFacts& facts,
                              bool unreadable) {
    startEntry('[', name);
    sizes(facts);
    if (unreadable)
        line_ += ",\"read_error\":true";
    number("mtime", facts.modifiedSeconds);
    finishEntry();
    devices_.push_back(facts.device);
}

void ExportWriter::closeFolder() {
    devices_.pop_back();
    output_.write("]");
}

void ExportWriter::file(std::string_view name, const platform::FileFacts& facts) {
    startEntry(0, name);
    sizes(facts);
    if (facts.linkCount >= 2) {
        number("ino", facts.inode);
        line_ += ",\"hlnkc\":true";
        number("nlink", facts.linkCount);
    }
    if (!facts.isRegular)
        line_ += ",\"notreg\":true";
    number("mtime", facts.modifiedSeconds);
    finishEntry();
}

void ExportWriter::excluded(std::string_view name, std::string_view why) {
    startEntry(0, name);
    line_ += ",\"excluded\":\"";
    line_ += why;
    line_ += '"';
    finishEntry();
}

void ExportWriter::unexamined(std::string_view name) {
    startEntry(0, name);
    line_ += ",\"read_error\":true";
    finishEntry();
}

void ExportWriter::end() {
    output_.write("]\n");
}

} // namespace tavelin
