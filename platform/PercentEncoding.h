#pragma once

// Percent-encoded texts, as URIs and the Trash's records write paths.

#include <string>
#include <string_view>

namespace tavelin::platform {

// The text with every "%" followed by two hexadecimal digits replaced by that byte; any other
// "%" stays as it is.
std::string percentDecoded(std::string_view text);

} // namespace tavelin::platform
