#pragma once

// What the computer is called, for messages and the folders an archive makes.

#include <optional>
#include <string>
#include <string_view>

namespace tavelin::platform {

// The pretty host name the owner gave the computer (/etc/machine-info), else its host name;
// nothing when neither is set.
std::optional<std::string> computerName();

// The PRETTY_HOSTNAME value of a machine-info text: an environment-style assignment whose value
// may be quoted ('…' literally, "…" with backslash escapes). Nothing when it is absent or empty.
std::optional<std::string> prettyHostname(std::string_view machineInfo);

} // namespace tavelin::platform
