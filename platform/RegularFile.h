#pragma once

// Reading small files the program keeps itself (scan records and the like) without trusting
// what lies in their place: only a regular file is read, and nothing can make the read wait.

#include <optional>
#include <string>

namespace tavelin::platform {

// The whole content of `path` when it is a regular file (a final symbolic link is not
// followed); nothing when it is missing, something else (a FIFO, a device, a folder), or a read
// fails.
std::optional<std::string> readRegularFile(const std::string& path);

} // namespace tavelin::platform
