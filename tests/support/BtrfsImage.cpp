#include "support/BtrfsImage.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

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

std::string outputOf(const std::string& commandLine) {
    std::string output;
    if (FILE* pipe = ::popen(commandLine.c_str(), "r")) {
        char chunk[4096];
        while (size_t got = std::fread(chunk, 1, sizeof chunk, pipe))
            output.append(chunk, got);
        ::pclose(pipe);
    }
    return output;
}

BtrfsImage::BtrfsImage(const std::filesystem::path& folder, int64_t bytes,
                       const std::string& makeFileSystem)
    : image_(folder / "btrfs.img")
    , mountPoint_(folder / "btrfs") {
    if (::geteuid() != 0) {
        whyNot_ = "mounting a btrfs image needs root";
        return;
    }
    std::filesystem::create_directories(mountPoint_);
    std::string image = shellQuoted(image_.string());
    if (runCommand("truncate -s " + std::to_string(bytes) + " " + image + " && " + makeFileSystem +
                   " " + image + " >/dev/null 2>&1") != 0) {
        whyNot_ = makeFileSystem + " is missing or failed";
        return;
    }
    if (runCommand("mount -o loop " + image + " " + shellQuoted(mountPoint_.string()) +
                   " 2>/dev/null") != 0) {
        whyNot_ = "mounting a loop device was refused here";
        return;
    }
    mounted_ = true;
}

namespace {

// The metadata blocks ("leaves") holding a folder's entries in listing order, from the file
// system tree's dump.
std::vector<std::string> leavesListing(const std::string& dump, ino_t folder) {
    std::string wanted = "key (" + std::to_string(folder) + " DIR_INDEX ";
    std::vector<std::string> leaves;
    std::string leaf;
    std::istringstream lines(dump);
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("leaf "))
            leaf = line.substr(5, line.find(' ', 5) - 5);
        else if (line.starts_with("node "))
            leaf.clear();
        else if (!leaf.empty() && line.find("\titem ") != std::string::npos &&
                 line.find(wanted) != std::string::npos &&
                 (leaves.empty() || leaves.back() != leaf))
            leaves.push_back(leaf);
    }
    return leaves;
}

} // namespace

bool BtrfsImage::breakListingPartway(const std::string& folder) {
    struct stat status;
    if (!mounted_ || ::stat(folder.c_str(), &status) != 0)
        return false;
    std::string image = shellQuoted(image_.string());
    std::string mountPoint = shellQuoted(mountPoint_.string());
    if (runCommand("umount " + mountPoint) != 0)
        return false;
    mounted_ = false;
    auto leaves = leavesListing(
        outputOf("btrfs inspect-internal dump-tree -t 5 " + image + " 2>/dev/null"), status.st_ino);
    if (leaves.size() < 3)
        return false;
    // Both copies of the metadata: "mirror N logical L physical P device D".
    std::istringstream mirrors(outputOf("btrfs-map-logical -l " + leaves[2] + " " + image));
    int zeroed = 0;
    for (std::string line; std::getline(mirrors, line);) {
        size_t at = line.find(" physical ");
        if (line.starts_with("mirror ") && at != std::string::npos) {
            long long physical = std::stoll(line.substr(at + 10));
            zeroed += runCommand("dd if=/dev/zero of=" + image + " bs=4096 count=4 conv=notrunc " +
                                 "status=none seek=" + std::to_string(physical / 4096)) == 0;
        }
    }
    if (zeroed == 0 || runCommand("mount -o loop,ro " + image + " " + mountPoint) != 0)
        return false;
    mounted_ = true;
    return true;
}

BtrfsImage::~BtrfsImage() {
    // A watcher or worker of the test may still hold the disk for a moment; detaching it then
    // keeps the image from staying mounted after the test.
    std::string mountPoint = shellQuoted(mountPoint_.string());
    if (mounted_ && runCommand("umount " + mountPoint + " 2>/dev/null") != 0)
        runCommand("umount --lazy " + mountPoint);
}

} // namespace tavelin::test
