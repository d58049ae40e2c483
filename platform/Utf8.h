#pragma once

#include <string>
#include <string_view>

namespace tavelin::platform {

// The text with every byte that is not part of a valid UTF-8 sequence replaced by U+FFFD, so
// that names and tool output from the system can be shown and stored as UTF-8.
std::string validUtf8(std::string_view text);

} // namespace tavelin::platform
