#pragma once

#include <filesystem>
#include <string>

namespace tavelin::test {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TemporaryFolder {
public:
    explicit TemporaryFolder(const std::string& prefix = "tavelin-test");
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string string() const { return path_.string(); }

private:
    std::filesystem::path path_;
};

} // namespace tavelin::test
