#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tavelin {

// The text with its first character upper-cased (any script); invalid UTF-8 is left as it is.
std::string capitalizedFirst(std::string_view utf8);

// Whether the bytes are well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
bool isValidUtf8(std::string_view bytes);
// The length of the well-formed UTF-8 sequence the bytes start with; 0 when they start with none
// (or with only part of one).
size_t utf8SequenceLength(std::string_view bytes);

// Names joined as an English list: "A", "A and B", "A, B and C".
std::string listText(const std::vector<std::string>& names);

// The text with every character lower-cased (any script); invalid UTF-8 bytes are kept.
std::string lowercased(std::string_view utf8);

// The text made safe to show on one line and to print to a terminal: newlines, tabs and
// carriage returns become \n, \t and \r; other control characters (C0, DEL and C1), line and
// paragraph separators, and bytes that are not valid UTF-8 become \xHH escapes, byte by byte,
// as a shell's $'…' reads them back.
std::string singleLine(std::string_view text);
// The non-empty runs of the text between separators, in order: "a,,b," gives "a" and "b".
std::vector<std::string_view> pieces(std::string_view text, char separator);

// The text without the spaces, tabs and carriage returns around it.
std::string_view trimmed(std::string_view text);

// The text as a shell reads it back as one word: as it is when every character is one the shell
// takes literally (letters, digits and "@%+=:,./_-"), otherwise single-quoted, each "'" written
// "'\''". For showing a command exactly as it runs.
std::string shellWord(std::string_view text);

// The runs of letters and digits (any script) in the text, in order; every other character, and
// every byte that is not valid UTF-8, separates them.
std::vector<std::string_view> alphanumericWords(std::string_view utf8);

} // namespace tavelin
