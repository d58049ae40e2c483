#include "support/BtrfsImage.h"

#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>

namespace tavelin::test {

int runCommand(const std::string& commandLine) {
    int status = std::system(commandLine.c_str());
    return status == -1 || !WIFEXITED(status) ? -1 : WEXITSTATUS(status);
}

std::string shellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

BtrfsImage::BtrfsImage(const std::filesystem::path& folder, int64_t bytes)
    : image_(folder / "btrfs.img")
    , mountPoint_(folder / "btrfs") {
    if (::geteuid() != 0) {
        whyNot_ = "mounting a btrfs image needs root";
        return;
    }
    std::filesystem::create_directories(mountPoint_);
    std::string image = shellQuoted(image_.string());
    if (runCommand("truncate -s " + std::to_string(bytes) + " " + image + " && mkfs.btrfs -q " +
                   image + " >/dev/null 2>&1") != 0) {
        whyNot_ = "mkfs.btrfs is missing or failed";
        return;
    }
    if (runCommand("mount -o loop " + image + " " + shellQuoted(mountPoint_.string()) +
                   " 2>/dev/null") != 0) {
        whyNot_ = "mounting a loop device was refused here";
        return;
    }
    mounted_ = true;
}

BtrfsImage::~BtrfsImage() {
    if (mounted_)
        runCommand("umount " + shellQuoted(mountPoint_.string()));
}

} // namespace tavelin::test
