#pragma once

#include <string>

namespace tavelin {

// A fresh random (version 4) UUID in upper-case hexadecimal:
// "E621E1F8-C36C-495A-93FC-0C247A3E6E5F".
std::string makeUuid();

} // namespace tavelin
