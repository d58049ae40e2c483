#pragma once

// The desktop's file manager and default applications.

#include <string>
#include <vector>

namespace tavelin::FileManager {

// Opens a file with the default application for its type.
void openFile(const std::string& path);

// Shows and selects the items in the file manager (org.freedesktop.FileManager1); where no
// file manager answers, opens the folder of the first item instead.
void reveal(const std::vector<std::string>& paths);

} // namespace tavelin::FileManager
