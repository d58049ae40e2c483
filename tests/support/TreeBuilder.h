#pragma once

// Builds real file trees for tests, in code: folders, files with real data blocks, sparse
// files, hard and symbolic links, and names with any bytes in them.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace tavelin::test {

class TreeBuilder {
public:
    explicit TreeBuilder(std::filesystem::path root);

    const std::filesystem::path& root() const { return root_; }
    std::string path(const std::string& relative) const { return (root_ / relative).string(); }

    // Each returns the absolute path it made; parent folders are created as needed.
    std::string folder(const std::string& relative);
    // A file holding `bytes` bytes of non-zero data, so its blocks are really allocated.
    std::string file(const std::string& relative, int64_t bytes);
    // A file holding exactly `content`.
    std::string file(const std::string& relative, std::string_view content);
    // A file of `bytes` apparent size with no data blocks.
    std::string sparseFile(const std::string& relative, int64_t bytes);
    std::string hardLink(const std::string& existing, const std::string& relative);
    std::string symlink(const std::string& target, const std::string& relative);
    // The folder `relative` with `depth` folders named `name` nested in it, made through
    // descriptors so the chain may pass the path limit; returns the innermost one's path.
    std::string chain(const std::string& relative, int depth, const std::string& name);

private:
    std::filesystem::path root_;
};

// The allocated bytes (blocks × 512) of everything beneath `root`, folders and `root` itself
// included, and the count of every entry that is not a folder; hard links once, on `root`'s
// device only: an independent measure for the walker's figures, taken by du and find.
struct DiskUsage {
    int64_t bytes = 0;
    int64_t files = 0;
};
DiskUsage independentUsage(const std::string& root);

// The bytes of the file at the path; "" when it cannot be read.
std::string contentOf(const std::string& path);

// The allocated bytes of one path (blocks × 512, not following links).
int64_t allocatedBytes(const std::string& path);

// Sets or clears an inode flag (FS_IMMUTABLE_FL, FS_APPEND_FL) of `path`; false where the file
// system or the user refuses.
bool setInodeFlag(const std::string& path, int flag, bool on);

// What `du -sB1 -x` reports for a path (with `--apparent-size` when asked): the yardstick users
// check totals against.
int64_t duBytes(const std::string& path, bool apparent = false);

} // namespace tavelin::test
