#pragma once

// The pieces the agent report is written with: paths shortened for reading, percentages, dates,
// Markdown tables whose cells can hold any name, and the biggest items of a tree.

#include "scan/Node.h"
#include "util/Dates.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tavelin::ReportText {

// The path without a leading "/System/Volumes/Data"; the home folder itself as "~", a path
// inside it as "~/" and the rest; any other path unchanged.
std::string shortPath(std::string_view path, std::string_view home);

// "?" when `whole` is below 1; otherwise part ÷ whole × 100 rounded to a whole number, and "%".
std::string percent(int64_t part, int64_t whole);

// The local day, "2025-03-09"; "?" for the distant past, which stands for an unknown date.
std::string day(Date date);
// The local day with a short month name, "9 Mar 2025".
std::string abbreviatedDay(Date date);
// The same with the time of day: "9 Mar 2025, 14:05".
std::string abbreviatedDayAndTime(Date date);

// A name or path from the disk as Markdown that cannot act: a code span, so that no name becomes
// a link, an HTML tag or emphasis. Its fence is longer than any run of backticks inside, padded
// with a space where the text starts or ends with a backtick or space. Control characters and
// bytes that are not UTF-8 become visible escapes (`singleLine`), so no name can break a line,
// reach a terminal as a control sequence, or break the encoding.
std::string code(std::string_view name);

// Tavelin's own words that may hold names (a suggestion's title, its reasons) as Markdown that
// cannot act: the same visible escapes, and a backslash before each character that could start
// inline Markdown: "\`*[]<~@", "_" but inside a word, "&" before a letter or "#", the ":" of
// "://" and the "." of "www." (which would make a bare address a link).
std::string plain(std::string_view text);

// A Markdown table: the titles, the separator line, then one line per row. Cells are Markdown
// already (see `code` and `plain`); each is kept on one line and its "|" becomes "\|", which
// tables read back as "|", so no name can add a column. Ends without a line break.
std::string table(const std::vector<std::string>& titles,
                  const std::vector<std::vector<std::string>>& rows);

// Characters (Unicode code points) in UTF-8 text; each byte that is not UTF-8 counts as one.
size_t characterCount(std::string_view text);

// The nodes of `kind` below `root` (not the root) of at least `minimum` allocated bytes, largest
// first, at most `limit`. Folders smaller than the minimum are not entered. A folder is left out
// when one of its direct children is also listed and holds at least 80 % of it, so a chain of
// folders around one big item is listed once.
std::vector<const Node*> biggest(const Node& root, Node::Kind kind, size_t limit, int64_t minimum);

} // namespace tavelin::ReportText
