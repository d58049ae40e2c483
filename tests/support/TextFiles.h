#pragma once

// Whole files as text: a stored file written by hand, or what a save left on disk.

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace tavelin::test {

// Writes `text` to `file`, creating the folders above it.
inline void writeText(const std::filesystem::path& file, const std::string& text) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
}

// The file's bytes; empty when it cannot be read.
inline std::string readText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace tavelin::test
