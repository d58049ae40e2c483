#pragma once

// A small btrfs file system in an image file, mounted on a loop device for the life of the
// object, so tests can make real reflink clones; `makeFileSystem` may make another kind instead
// (ext4 with a reserve, say). Mounting needs root and loop devices; where
// either is refused, `mounted()` is false and `whyNot()` says why.

#include <cstdint>
#include <filesystem>
#include <string>

namespace tavelin::test {

class BtrfsImage {
public:
    // The image is a sparse file of `bytes` in `folder`.
    explicit BtrfsImage(const std::filesystem::path& folder, int64_t bytes = 128 << 20,
                        const std::string& makeFileSystem = "mkfs.btrfs -q");
    ~BtrfsImage();
    BtrfsImage(const BtrfsImage&) = delete;
    BtrfsImage& operator=(const BtrfsImage&) = delete;

    bool mounted() const { return mounted_; }
    // Makes the listing of `folder` (inside the image) fail partway: the metadata block holding
    // its third run of entries is zeroed in both copies and the image mounted again read-only,
    // so the kernel reports an input/output error after the first entries. False when a tool
    // refuses.
    bool breakListingPartway(const std::string& folder);
    const std::string& whyNot() const { return whyNot_; }
    const std::filesystem::path& mountPoint() const { return mountPoint_; }

private:
    std::filesystem::path image_;
    std::filesystem::path mountPoint_;
    bool mounted_ = false;
    std::string whyNot_;
};

// Runs a shell command line; returns its exit status (-1 when it could not run).
int runCommand(const std::string& commandLine);
// What a shell command line writes to its standard output.
std::string outputOf(const std::string& commandLine);
// Quotes a text for the shell.
std::string shellQuoted(const std::string& text);

} // namespace tavelin::test
