#include "support/TemporaryFolder.h"

#include "support/BtrfsImage.h"

#include <cstdlib>
#include <stdexcept>
#include <vector>

namespace tavelin::test {

TemporaryFolder::TemporaryFolder(const std::string& prefix) {
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!::mkdtemp(buffer.data()))
        throw std::runtime_error("cannot create a temporary folder");
    path_ = buffer.data();
}

// Tests leave folders unreadable, chains of folders deeper than the path limit and, when they
// fail, mounts: the folders are opened up first (links are left alone), and the removal never
// crosses into another file system.
TemporaryFolder::~TemporaryFolder() {
    std::string quoted = shellQuoted(path_.string());
    runCommand("chmod -R u+rwx " + quoted + " 2>/dev/null; rm -rf --one-file-system " + quoted +
               " 2>/dev/null");
}

} // namespace tavelin::test
