#include "support/TreeBuilder.h"

#include "support/BtrfsImage.h"

#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <set>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tavelin::test {
namespace fs = std::filesystem;

TreeBuilder::TreeBuilder(fs::path root)
    : root_(std::move(root)) {
    fs::create_directories(root_);
}

std::string TreeBuilder::folder(const std::string& relative) {
    fs::create_directories(root_ / relative);
    return path(relative);
}

std::string TreeBuilder::file(const std::string& relative, int64_t bytes) {
    fs::create_directories((root_ / relative).parent_path());
    std::string target = path(relative);
    int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        throw std::runtime_error("cannot create " + target);
    std::vector<char> chunk(1 << 20, 'x');
    for (int64_t left = bytes; left > 0;) {
        auto size =
            static_cast<size_t>(std::min<int64_t>(left, static_cast<int64_t>(chunk.size())));
        if (::write(fd, chunk.data(), size) != static_cast<ssize_t>(size)) {
            ::close(fd);
            throw std::runtime_error("cannot write " + target);
        }
        left -= static_cast<int64_t>(size);
    }
    ::fsync(fd);
    ::close(fd);
    return target;
}

std::string TreeBuilder::file(const std::string& relative, std::string_view content) {
    fs::create_directories((root_ / relative).parent_path());
    std::string target = path(relative);
    int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    bool written = fd >= 0 && ::write(fd, content.data(), content.size()) ==
                                  static_cast<ssize_t>(content.size());
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
    if (!written)
        throw std::runtime_error("cannot write " + target);
    return target;
}

std::string TreeBuilder::sparseFile(const std::string& relative, int64_t bytes) {
    fs::create_directories((root_ / relative).parent_path());
    std::string target = path(relative);
    int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || ::ftruncate(fd, bytes) != 0)
        throw std::runtime_error("cannot create " + target);
    ::close(fd);
    return target;
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
    struct stat top;
    if (::lstat(root.c_str(), &top) != 0)
        return {};
    std::set<std::pair<dev_t, ino_t>> links;
    DiskUsage usage{static_cast<int64_t>(top.st_blocks) * 512, 0};
    for (auto it =
             fs::recursive_directory_iterator(root, fs::directory_options::skip_permission_denied);
         it != fs::recursive_directory_iterator(); ++it) {
        struct stat status;
        if (::lstat(it->path().c_str(), &status) != 0)
            continue;
        if (status.st_dev != top.st_dev) {
            it.disable_recursion_pending();
            continue;
        }
        if (S_ISDIR(status.st_mode)) {
            usage.bytes += static_cast<int64_t>(status.st_blocks) * 512;
            continue;
        }
        if (status.st_nlink >= 2 && !links.insert({status.st_dev, status.st_ino}).second)
            continue;
        usage.bytes += static_cast<int64_t>(status.st_blocks) * 512;
        usage.files += 1;
    }
    return usage;
}

std::string contentOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

int64_t allocatedBytes(const std::string& path) {
    struct stat status;
    if (::lstat(path.c_str(), &status) != 0)
        return -1;
    return static_cast<int64_t>(status.st_blocks) * 512;
}

int64_t duBytes(const std::string& path) {
    std::string command = "du -sB1 -x " + shellQuoted(path) + " 2>/dev/null";
    FILE* output = ::popen(command.c_str(), "r");
    long long bytes = -1;
    if (output && std::fscanf(output, "%lld", &bytes) != 1)
        bytes = -1;
    if (output)
        ::pclose(output);
    return bytes;
}

} // namespace tavelin::test
