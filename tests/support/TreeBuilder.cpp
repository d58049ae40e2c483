#include "support/TreeBuilder.h"

#include "support/BtrfsImage.h"

#include <fcntl.h>
#include <fstream>
#include <functional>
#include <linux/fs.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace tavelin::test {
namespace fs = std::filesystem;
namespace {

// Makes the file `target` afresh, with the folders above it, and lets `fill` write it.
std::string created(const fs::path& target, const std::function<bool(int)>& fill) {
    fs::create_directories(target.parent_path());
    int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    bool filled = fd >= 0 && fill(fd);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
    if (!filled)
        throw std::runtime_error("cannot write " + target.string());
    return target.string();
}

} // namespace

TreeBuilder::TreeBuilder(fs::path root)
    : root_(std::move(root)) {
    fs::create_directories(root_);
}

std::string TreeBuilder::folder(const std::string& relative) {
    fs::create_directories(root_ / relative);
    return path(relative);
}

std::string TreeBuilder::file(const std::string& relative, int64_t bytes) {
    return file(relative, std::string(static_cast<size_t>(bytes), 'x'));
}

std::string TreeBuilder::file(const std::string& relative, std::string_view content) {
    return created(root_ / relative, [content](int fd) {
        return ::write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size());
    });
}

std::string TreeBuilder::sparseFile(const std::string& relative, int64_t bytes) {
    return created(root_ / relative, [bytes](int fd) { return ::ftruncate(fd, bytes) == 0; });
}

std::string TreeBuilder::hardLink(const std::string& existing, const std::string& relative) {
    fs::create_directories((root_ / relative).parent_path());
    fs::create_hard_link(root_ / existing, root_ / relative);
    return path(relative);
}

std::string TreeBuilder::symlink(const std::string& target, const std::string& relative) {
    fs::create_directories((root_ / relative).parent_path());
    fs::create_symlink(target, root_ / relative);
    return path(relative);
}

std::string TreeBuilder::chain(const std::string& relative, int depth, const std::string& name) {
    std::string innermost = folder(relative);
    int fd = ::open(innermost.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (int level = 0; fd >= 0 && level < depth; ++level) {
        if (::mkdirat(fd, name.c_str(), 0755) != 0)
            break;
        int inner = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(fd);
        fd = inner;
        innermost += "/" + name;
    }
    if (fd < 0 || ::close(fd) != 0 ||
        innermost.size() != path(relative).size() + static_cast<size_t>(depth) * (name.size() + 1))
        throw std::runtime_error("cannot make a chain of folders in " + path(relative));
    return innermost;
}

DiskUsage independentUsage(const std::string& root) {
    std::string entries =
        outputOf("find " + shellQuoted(root) +
                 " -xdev ! -type d -printf '%D:%i\\n' 2>/dev/null | sort -u | wc -l");
    return {std::max<int64_t>(duBytes(root), 0), entries.empty() ? 0 : std::stoll(entries)};
}

std::string contentOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

bool setInodeFlag(const std::string& path, int flag, bool on) {
    std::string change = std::string(on ? "+" : "-") + (flag == FS_APPEND_FL ? "a" : "i");
    return runCommand("chattr " + change + " " + shellQuoted(path) + " 2>/dev/null") == 0;
}

int64_t allocatedBytes(const std::string& path) {
    struct stat status;
    return ::lstat(path.c_str(), &status) == 0 ? static_cast<int64_t>(status.st_blocks) * 512 : -1;
}

int64_t duBytes(const std::string& path, bool apparent) {
    std::string output =
        outputOf(std::string("du -sB1 -x ") + (apparent ? "--apparent-size " : "") +
                 shellQuoted(path) + " 2>/dev/null");
    return output.empty() ? -1 : std::stoll(output);
}

} // namespace tavelin::test
