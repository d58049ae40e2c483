#pragma once

// The folders and name patterns the user leaves out of every scan, as the settings keep them:
// read by each window's scans and by the commands that work without a window.

#include "scan/Exclusions.h"

#include <string>
#include <vector>

namespace tavelin::ExcludedFolders {

// The stored entries, in the order they were added; nothing stored means nothing left out.
std::vector<std::string> stored();
void store(const std::vector<std::string>& entries);
Exclusions exclusions();

} // namespace tavelin::ExcludedFolders
