#pragma once

// The text a chat page receives in its link: the prompt and the condensed report, shortened by
// whole lines when the link would get too long, and percent-encoded as the value of one query
// key.

#include <string>
#include <string_view>

namespace tavelin::ChatLink {

// Texts up to this many characters go into a link whole.
inline constexpr size_t kLimit = 7'000;

// The prompt, a blank line and the report; over the limit, lines are dropped from the end until
// fewer than 6,941 characters remain (or one line), and a note asking for the rest is added.
std::string text(std::string_view prompt, std::string_view condensedReport);

// The text percent-encoded as a query value: only letters, digits and "!$'()*,-./:;?@_~" stay
// as they are; "&", "=", "+", "#", spaces and every other byte become %XX.
std::string queryValue(std::string_view text);

} // namespace tavelin::ChatLink
