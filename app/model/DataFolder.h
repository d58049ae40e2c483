#pragma once

#include <filesystem>

namespace tavelin {

// Where Tavelin keeps its files: the folder "Tavelin" in the user's data folder
// ($XDG_DATA_HOME, usually ~/.local/share).
std::filesystem::path dataFolder();

} // namespace tavelin
