#pragma once

#include <string>
#include <string_view>

namespace tavelin::History {

// A text as records store it: JSON carries only UTF-8, so every byte that is not part of a
// valid UTF-8 sequence becomes U+FFFD. Records built from a tree and records read back from
// disk then spell a name the same way, and encoding never fails on a Linux file name.
std::string recordText(std::string_view text);

} // namespace tavelin::History
