#pragma once

// A small tmpfs mounted for the life of the object: a second file system for tests, of a size
// the test chooses (so it can be filled). Mounting needs root; where it is refused, `mounted()`
// is false and `whyNot()` says why.

#include <cstdint>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace tavelin::test {

class TmpfsMount {
public:
    TmpfsMount(const std::filesystem::path& mountPoint, int64_t bytes);
    ~TmpfsMount();
    TmpfsMount(const TmpfsMount&) = delete;
    TmpfsMount& operator=(const TmpfsMount&) = delete;

    bool mounted() const { return mounted_; }
    const std::string& whyNot() const { return whyNot_; }
    const std::filesystem::path& path() const { return mountPoint_; }
    std::string string() const { return mountPoint_.string(); }

    // Makes the mount read-only (true) or writable again.
    bool setReadOnly(bool readOnly);

private:
    std::filesystem::path mountPoint_;
    bool mounted_ = false;
    std::string whyNot_;
};

} // namespace tavelin::test

// Skips the running test where `mount` (a TmpfsMount or a BtrfsImage) was refused.
#define TAVELIN_SKIP_UNLESS_MOUNTED(mount)                                                         \
    if (!(mount).mounted())                                                                        \
    GTEST_SKIP() << (mount).whyNot()
