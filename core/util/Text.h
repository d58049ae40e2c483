#pragma once

#include <string>
#include <string_view>

namespace tavelin {

// The text with its first character upper-cased (any script); invalid UTF-8 is left as it is.
std::string capitalizedFirst(std::string_view utf8);

// The text with every character lower-cased (any script); invalid UTF-8 bytes are kept.
std::string lowercased(std::string_view utf8);

} // namespace tavelin
